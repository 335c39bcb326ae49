#pragma once

// Holds a form's window (FormImpl) ahead of the form's container, so that the window is complete
// before the container and its controls use it, and goes after them.

#include "liba/nocopy.h"
#include "skinner/form_impl.h"

namespace skinner {

class FormImplHolder : private liba::Nocopy {
protected:
    FormImplHolder(FormEvents& form, FormImpl* owner)
        : m_form_impl(form, owner)
    {
    }

    FormImpl m_form_impl;
};

} // namespace skinner

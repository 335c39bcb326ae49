#include "os/active.h"

#include "os/active_scheduler.h"

CActive::~CActive()
{
    cancel();
}

void CActive::cancel()
{
    if (m_scheduler)
        m_scheduler->remove(*this);
}

#pragma once

// Writes a SkinModel as skin source (the XML format of docs/skin-format.md) that builds the same
// description again: the picture and font lists are written out in full, so their order (the
// indices that picture and font properties hold) is kept, and every picture property spells out
// its rectangle, inner rectangle and stretch value.

#include "skinner/skin_model.h"

#include <string>

namespace skinc {

// UTF-8 text of the whole source.
std::string dump_source(const skinner::SkinModel& model);

} // namespace skinc

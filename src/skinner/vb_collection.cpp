#include "skinner/vb_collection.h"

#include "os/fatal_error.h"

namespace skinner {

void vb_collection_check(int64_t index, size_t size)
{
    if (index < 0 || uint64_t(index) >= size)
        os::fatal_error(u"VBCollection::operator[]", u"pos is invalid");
}

} // namespace skinner

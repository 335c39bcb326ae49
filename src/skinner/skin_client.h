#pragma once

// The objects that keep a skin handle and re-read their properties when the skin changes in place
// (Properties::refresh_skin, after a reload or a new language). Forms derive from it: a client
// joins the process-wide list when constructed and leaves it when destroyed, so the list holds
// the existing clients in creation order.
//
// User-interface thread only; the list is not locked.

#include "liba/nocopy.h"

#include <vector>

namespace skinner {

class Properties;

class SkinClient : private liba::Nocopy {
public:
    // The handle whose refresh concerns this client.
    virtual const Properties* skin_handle() const = 0;
    // Re-reads every property of the client (and of what it holds), the current values serving as
    // defaults.
    virtual void reload_properties() = 0;

    // The existing clients, in creation order.
    static const std::vector<SkinClient*>& clients();
    static bool exists(const SkinClient* client);

protected:
    SkinClient();
    virtual ~SkinClient();
};

} // namespace skinner

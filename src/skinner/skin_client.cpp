#include "skinner/skin_client.h"

#include <algorithm>

namespace skinner {

namespace {

std::vector<SkinClient*>& list()
{
    static std::vector<SkinClient*> s_clients;
    return s_clients;
}

} // namespace

SkinClient::SkinClient()
{
    list().push_back(this);
}

SkinClient::~SkinClient()
{
    std::erase(list(), this);
}

const std::vector<SkinClient*>& SkinClient::clients()
{
    return list();
}

bool SkinClient::exists(const SkinClient* client)
{
    return std::find(list().begin(), list().end(), client) != list().end();
}

} // namespace skinner

#pragma once

namespace liba {

// Private base for classes that own a resource and must never be copied or moved.
class Nocopy {
protected:
    Nocopy() = default;
    ~Nocopy() = default;

public:
    Nocopy(const Nocopy&) = delete;
    Nocopy& operator=(const Nocopy&) = delete;
};

} // namespace liba

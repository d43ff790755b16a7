// The components a product's registration lists for one of its features.
#pragma once

#include <string>
#include <vector>

namespace velmora {

// The packed codes (as the installer names its component keys) of the components in the
// data of one value of a registration's Features key: each component's GUID in 20
// characters (four 32-bit words, least significant digit first, five digits each in a base
// of 85), optionally followed by the parent feature after a 0x02 character. Empty when the
// data holds no such list.
std::vector<std::wstring> FeatureComponents(const std::wstring& data);

}  // namespace velmora

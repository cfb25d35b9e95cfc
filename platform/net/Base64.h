#pragma once

#include <string>
#include <string_view>

namespace platform::net {

// RFC 4648 Base64 with padding, as Basic authorization carries "user:password".
std::string EncodeBase64(std::string_view bytes);

}  // namespace platform::net

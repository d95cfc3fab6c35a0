#pragma once
// SHA-256 of a byte string as 64 lower-case hexadecimal digits, for manifests of golden outputs
// that are too large to keep in the repository.
#include <string>
#include <string_view>

namespace zerka::test {

std::string sha256Hex(std::string_view bytes);

} // namespace zerka::test

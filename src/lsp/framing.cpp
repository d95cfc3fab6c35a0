#include "lsp/framing.h"

#include <nlohmann/json.hpp>

namespace zerka::lsp {

std::string frameMessage(const nlohmann::json& message) {
    return frameBody(message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

} // namespace zerka::lsp

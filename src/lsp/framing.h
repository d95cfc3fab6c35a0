#pragma once
// JSON-RPC messages in Content-Length frames (the frames themselves are core/framing.h, which the
// debug adapter reads too), and the JSON-RPC error codes the server answers with.
#include "core/framing.h"

#include <string>

#include <nlohmann/json_fwd.hpp>

namespace zerka::lsp {

using zerka::Frame;
using zerka::FrameParser;

// One message in its frame.
std::string frameMessage(const nlohmann::json& message);

// JSON-RPC error codes the server answers with.
inline constexpr int kParseError = -32700;
inline constexpr int kInvalidRequest = -32600;
inline constexpr int kMethodNotFound = -32601;
inline constexpr int kInvalidParams = -32602;
inline constexpr int kInternalError = -32603;
inline constexpr int kServerNotInitialized = -32002;
inline constexpr int kRequestFailed = -32803;

} // namespace zerka::lsp

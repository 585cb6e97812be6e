#pragma once

namespace FFmpeg {

// Registers the types that travel between pipeline stages in queued signals
// ("std::shared_ptr<FFmpeg::Frame>", "std::shared_ptr<FFmpeg::Packet>"). Safe to call repeatedly.
void registerMetaTypes();

} // namespace FFmpeg

#pragma once

#include "loaders/AbstractFileLoader.h"
#include "loaders/TmdBuilder.h"

#include <cstddef>
#include <string>
#include <vector>

namespace MediaPlayer2 {

/// Reads a TMD file: lines of one keyword and one value naming a media file, the simulation time
/// of its first frame and two playback tuning values, and hands each accepted setting to a builder.
/// "ReferenceYear" affects only the "MediaStartTime" lines after it.
class TmdFileLoader : public AbstractFileLoader {
public:
    /// builder is not owned and must outlive the load.
    explicit TmdFileLoader(TmdBuilder& builder);
    ~TmdFileLoader() override;

private:
    int processTokens_(std::size_t lineNumber, const std::vector<std::string>& tokens) override;

    // One per keyword: 0 when the value is taken, else the line is rejected with a message.
    int setReferenceYear_(const std::string& value);
    int setMediaFileName_(const std::string& value);
    int setMediaStartTime_(const std::string& value);
    int setHandleRealtimeForwardCase_(const std::string& value);
    int setAllowableDelta_(const std::string& value);

    int referenceYear_;
    TmdBuilder& builder_;
};

}  // namespace MediaPlayer2

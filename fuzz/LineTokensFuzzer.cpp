// The line-oriented loader's reading of any bytes as lines of tokens: quoting, comments, line ends,
// byte-order marks and broken UTF-8. Every line with tokens reaches the subclass once, in order, and
// the loader's total is the sum of what the subclass returned.

#include "loaders/AbstractFileLoader.h"

#include "support/FuzzSupport.h"

#include <cstddef>
#include <cstdint>

namespace {

class TokenRecorder : public MediaPlayer2::AbstractFileLoader {
public:
    std::size_t lastLine() const { return lastLine_; }
    int rejected() const { return rejected_; }

private:
    int processTokens_(std::size_t lineNumber, const std::vector<std::string>& tokens) override
    {
        FUZZ_CHECK(!tokens.empty());
        FUZZ_CHECK(lineNumber > lastLine_);
        lastLine_ = lineNumber;
        // Rejecting some lines checks that the loader adds up what it is told.
        const int result = static_cast<int>(tokens.size() % 2);
        rejected_ += result;
        return result;
    }

    std::size_t lastLine_ = 0;
    int rejected_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzzsupport::NotifySink notifications;
    static fuzzsupport::InputFiles files;
    notifications.clear();

    TokenRecorder loader;
    const int total = loader.loadFile(files.writeSingleFile(data, size));
    FUZZ_CHECK(total == loader.rejected());
    // Every line but the last ends in at least one byte.
    FUZZ_CHECK(loader.lastLine() <= size);
    return 0;
}

// TMD files of any content, with names that reach other files beside them, in the fallback search's
// folder, a folder and a link to itself: the line reader's quoting, comments, line ends, byte-order
// marks and broken UTF-8, and every time string form (the seeds and the dictionary carry them).
// Every line is accepted or counted as rejected; the loader never stops early.

#include "loaders/TmdBuilderAdapter.h"
#include "loaders/TmdFileLoader.h"

#include "support/FuzzSupport.h"

#include "orvCore/FileSearch.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzzsupport::NotifySink notifications;
    static fuzzsupport::InputFiles files;
    static orvCore::FileSearch fallbackSearch({files.path(fuzzsupport::InputFiles::FALLBACK_FOLDER)});
    notifications.clear();

    MediaPlayer2::TmdBuilderAdapter adapter;
    MediaPlayer2::TmdFileLoader loader(adapter);
    loader.setFallbackFileSearch(&fallbackSearch);
    const int rejected = loader.loadFile(files.writeDescriptionFiles(data, size));
    FUZZ_CHECK(rejected >= 0);
    FUZZ_CHECK(adapter.allowableDelta() >= 0.0);
    return 0;
}

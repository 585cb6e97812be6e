// Reads a TMD file through the installed libraries and prints the media file and start time.
#include "loaders/TmdBuilderAdapter.h"
#include "loaders/TmdFileLoader.h"
#include "orvCore/TimeFormatter.h"

#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    MediaPlayer2::TmdBuilderAdapter settings;
    MediaPlayer2::TmdFileLoader loader(settings);
    if (loader.loadFile(argv[1]) != 0)
        return 1;
    std::cout << settings.filename() << ' '
              << orvCore::TimeFormatterRegistry(false).toString(settings.startTime()) << std::endl;
    return 0;
}

#include "plugin/OsgFindDataFileSearch.h"

#include <osgDB/FileUtils>

namespace MediaPlayer2 {

thread_local std::set<const OsgFindDataFileSearch*> OsgFindDataFileSearch::searching_;

OsgFindDataFileSearch::~OsgFindDataFileSearch() = default;

std::string OsgFindDataFileSearch::findFile(const std::string& fileName, orvCore::FileSearch::SearchFileType)
{
    if (!searching_.insert(this).second)
        return std::string();
    const std::string path = osgDB::findDataFile(fileName, nullptr, osgDB::CASE_SENSITIVE);
    searching_.erase(this);
    return path;
}

}  // namespace MediaPlayer2

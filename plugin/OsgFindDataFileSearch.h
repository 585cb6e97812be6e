#pragma once

#include "orvCore/FileSearch.h"

#include <set>
#include <string>

namespace MediaPlayer2 {

/// Lets the host's file search look files up through osgDB's data-file path list.
///
/// osgDB may hand a look-up to a host callback that searches through this object again; such a
/// nested look-up finds nothing instead of recursing. Reads in other threads search independently.
class OsgFindDataFileSearch : public orvCore::FileSearch {
public:
    ~OsgFindDataFileSearch() override;

    /// The full path osgDB finds for fileName (case-sensitive), or "". type is not used.
    std::string findFile(const std::string& fileName, orvCore::FileSearch::SearchFileType type) override;

private:
    // The searches under way in the calling thread. One reader serves every thread, so a single
    // flag per object would make a read in one thread find nothing while another thread searches.
    static thread_local std::set<const OsgFindDataFileSearch*> searching_;
};

}  // namespace MediaPlayer2

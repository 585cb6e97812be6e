#include "orvCore/FileSearch.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>

using orvCore::FileSearch;
namespace fs = std::filesystem;

namespace {

void touch(const fs::path& path)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "x";
}

}  // namespace

TEST(FileSearch, FindsTheFirstRegularFileInDirectoryOrder)
{
    QTemporaryDir temporary;
    ASSERT_TRUE(temporary.isValid());
    const fs::path root = temporary.path().toStdString();
    touch(root / "second" / "both.txt");
    touch(root / "first" / "both.txt");
    touch(root / "second" / "only.txt");
    touch(root / "second" / "sub" / "deep.txt");
    fs::create_directories(root / "first" / "folder.txt");

    FileSearch search({(root / "first").string()});
    search.addDirectory((root / "second").string());
    ASSERT_EQ(search.directories().size(), 2u);

    EXPECT_EQ(search.findFile("both.txt", FileSearch::DATA_FILE), (root / "first" / "both.txt").string());
    EXPECT_EQ(search.findFile("only.txt", FileSearch::ANY_FILE), (root / "second" / "only.txt").string());
    EXPECT_EQ(search.findFile("sub/deep.txt", FileSearch::DATA_FILE), (root / "second" / "sub" / "deep.txt").string());
    EXPECT_EQ(search.findFile("folder.txt", FileSearch::DATA_FILE), "");  // a directory is no file
    EXPECT_EQ(search.findFile("missing.txt", FileSearch::DATA_FILE), "");
    EXPECT_EQ(search.findFile("", FileSearch::DATA_FILE), "");

    const std::string absolute = (root / "second" / "only.txt").string();
    EXPECT_EQ(FileSearch().findFile(absolute, FileSearch::DATA_FILE), absolute);
    EXPECT_EQ(search.findFile((root / "nowhere.txt").string(), FileSearch::DATA_FILE), "");
}

TEST(FileSearch, ReturnsAbsolutePathsForRelativeDirectories)
{
    QTemporaryDir temporary;
    ASSERT_TRUE(temporary.isValid());
    const fs::path root = temporary.path().toStdString();
    touch(root / "data" / "clip.tmd");
    const fs::path previous = fs::current_path();
    fs::current_path(root);

    const std::string found = FileSearch({"./data"}).findFile("clip.tmd", FileSearch::DATA_FILE);
    fs::current_path(previous);
    EXPECT_EQ(found, (fs::canonical(root) / "data" / "clip.tmd").string());
}

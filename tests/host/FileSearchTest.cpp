#include "orvCore/FileSearch.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>

using orvCore::FileSearch;
namespace fs = std::filesystem;

TEST(FileSearch, FindsTheFirstRegularFileInDirectoryOrderAsAnAbsolutePath)
{
    QTemporaryDir temporary;
    ASSERT_TRUE(temporary.isValid());
    const fs::path root = fs::canonical(temporary.path().toStdString());
    for (const char* file : {"second/both.txt", "first/both.txt", "second/only.txt", "second/sub/deep.txt"}) {
        fs::create_directories((root / file).parent_path());
        std::ofstream(root / file) << "x";
    }
    fs::create_directories(root / "first" / "folder.txt");

    FileSearch search({(root / "first").string()});
    search.addDirectory((root / "second").string());
    EXPECT_EQ(search.findFile("both.txt", FileSearch::DATA_FILE), (root / "first" / "both.txt").string());
    EXPECT_EQ(search.findFile("only.txt", FileSearch::ANY_FILE), (root / "second" / "only.txt").string());
    EXPECT_EQ(search.findFile("sub/deep.txt", FileSearch::DATA_FILE), (root / "second" / "sub" / "deep.txt").string());
    EXPECT_EQ(search.findFile("folder.txt", FileSearch::DATA_FILE), "");  // a directory is no file
    EXPECT_EQ(search.findFile("missing.txt", FileSearch::DATA_FILE), "");
    EXPECT_EQ(search.findFile("", FileSearch::DATA_FILE), "");
    const std::string absolute = (root / "second" / "only.txt").string();
    EXPECT_EQ(FileSearch().findFile(absolute, FileSearch::DATA_FILE), absolute);

    const fs::path previous = fs::current_path();
    fs::current_path(root);
    const std::string found = FileSearch({"./second"}).findFile("only.txt", FileSearch::DATA_FILE);
    fs::current_path(previous);
    EXPECT_EQ(found, absolute);
}

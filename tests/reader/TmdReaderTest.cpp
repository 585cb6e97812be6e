// The reader as a host meets it: loaded by name through the osgDB registry, reading TMD files with
// the host clock in the options.
#include "support/NotifyCapture.h"
#include "support/ReaderRig.h"

#include "orvVis/ClockOptions.h"
#include "plugin/OsgFindDataFileSearch.h"
#include "plugin/PlaylistNode.h"

#include <osgDB/Callbacks>
#include <osgDB/ReadFile>
#include <osgDB/Registry>

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <sstream>

using namespace readerrig;
using ReadResult = osgDB::ReaderWriter::ReadResult;
using WriteResult = osgDB::ReaderWriter::WriteResult;

namespace {

class TmdReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder_.isValid());
        good_ = writeTmd(folder_, "good.tmd", mediaPath("mjpeg.mov"), 100);
    }

    // The reader the registry loaded from the plugin library it found for the extension.
    static osgDB::ReaderWriter* registeredReader()
    {
        osgDB::Registry* registry = osgDB::Registry::instance();
        registry->loadLibrary(registry->createLibraryNameForExtension("tmd"));
        return registry->getReaderWriterForExtension("tmd");
    }

    QTemporaryDir folder_;
    std::string good_;
    orvCore::SimulationClock clock_;
};

TEST_F(TmdReaderTest, RegistryFindsTheNodeOnlyReaderByNameAndItReportsEveryFailure)
{
    osgDB::ReaderWriter* reader = registeredReader();
    ASSERT_NE(reader, nullptr) << "osgdb_tmd not found on OSG_LIBRARY_PATH";
    EXPECT_STREQ(reader->className(), "VESTRA TMD Loader");
    EXPECT_EQ(reader->supportedFeatures(), osgDB::ReaderWriter::FEATURE_READ_NODE);
    EXPECT_EQ(reader->supportedExtensions().count("tmd"), 1u);
    for (const char* accepted : {"tmd", "TMD", "Tmd"})
        EXPECT_TRUE(reader->acceptsExtension(accepted)) << accepted;
    EXPECT_FALSE(reader->acceptsExtension("bak"));

    const std::string badLine = writeFile(folder_, "bad.tmd", "MediaFileName \"" + mediaPath("mjpeg.mov")
                                                                  + "\"\nPlaybackSpeed 2\n");
    const std::string missing = folder_.filePath("missing.tmd").toStdString();
    const osg::ref_ptr<orvVis::ClockOptions> withClock = new orvVis::ClockOptions(&clock_);
    const osg::ref_ptr<orvVis::ClockOptions> withoutClock = new orvVis::ClockOptions(nullptr);
    const osg::ref_ptr<osgDB::Options> plain = new osgDB::Options;
    const std::string noClockOptions = "Unable to process file, required orvVis::ClockOptions not found.";
    struct Case {
        std::string file;
        const osgDB::Options* options;
        std::string message;
        std::string notified;  // what the loaders reported; the option checks come before any file access
    };
    const Case cases[] = {
        {badLine, nullptr, noClockOptions, ""},
        {badLine, plain.get(), noClockOptions, ""},
        {badLine, withoutClock.get(), "Unable to process file, required orvCore::Clock not found.", ""},
        {missing, withClock.get(), "Unsupported file type", "Unable to open file: " + missing + "\n"},
        {badLine, withClock.get(), "Unsupported file type",
         "Unrecognized token or invalid number of parameters: PlaybackSpeed\n"},
    };
    for (const Case& c : cases) {
        testsupport::NotifyCapture notify(2);
        ReadResult result = osgDB::Registry::instance()->readNode(c.file, c.options);
        EXPECT_EQ(result.status(), ReadResult::ERROR_IN_READING_FILE) << c.message;
        EXPECT_EQ(result.message(), c.message);
        EXPECT_FALSE(result.validNode());
        EXPECT_EQ(notify.text(), c.notified) << c.message;
    }

    // Names the reader does not take, streams and writes are left to other readers.
    for (const std::string& name : {good_ + ".bak", folder_.filePath("good").toStdString()}) {
        ReadResult result = reader->readNode(name, withClock.get());
        EXPECT_EQ(result.status(), ReadResult::FILE_NOT_HANDLED) << name;
        EXPECT_EQ(result.message(), "");
    }
    std::stringstream stream;
    EXPECT_EQ(reader->readNode(stream, withClock.get()).status(), ReadResult::FILE_NOT_HANDLED);
    const osg::ref_ptr<osg::Node> node = new osg::Group;
    for (WriteResult result : {reader->writeNode(*node, good_, withClock.get()),
                                      reader->writeNode(*node, stream, withClock.get())}) {
        EXPECT_EQ(result.status(), WriteResult::FILE_NOT_HANDLED);
        EXPECT_EQ(result.message(), "");
    }
}

TEST_F(TmdReaderTest, ReadsANodeBoundToTheClockWithOrWithoutAProjectorTexture)
{
    const std::string upperCase = writeTmd(folder_, "upper.TMD", mediaPath("mjpeg.mov"), 100);
    const std::string missingMedia = writeTmd(folder_, "gone.tmd", folder_.filePath("gone.mov").toStdString(), 100);
    const osg::ref_ptr<orvVis::ProjectorTexture> texture = new orvVis::ProjectorTexture;
    struct Case {
        std::string file;
        bool withKey;
        orvVis::ProjectorTexture* texture;
    };
    const Case cases[] = {{good_, false, nullptr}, {upperCase, true, nullptr}, {missingMedia, true, texture.get()}};
    for (const Case& c : cases) {
        const osg::ref_ptr<orvVis::ClockOptions> options = new orvVis::ClockOptions(&clock_);
        if (c.withKey)
            options->setPluginData("ProjectorTextureProvider", c.texture);
        testsupport::NotifyCapture notify(2);
        const osg::ref_ptr<osg::Node> node = osgDB::readRefNodeFile(c.file, options.get());
        ASSERT_NE(dynamic_cast<MediaPlayer2::PlaylistNode*>(node.get()), nullptr) << c.file;
        EXPECT_STREQ(node->className(), "Switch");
        EXPECT_STREQ(node->libraryName(), "osg");
        // A media file that cannot be opened still gives the item its child; the media says why.
        EXPECT_EQ(node->asSwitch()->getNumChildren(), 1u);
        EXPECT_EQ(notify.text().find(": Unable to open file.") != std::string::npos, c.file == missingMedia);
    }
    // A texture handed over starts blank.
    EXPECT_TRUE(isBlank(*texture));
}

// Hands every look-up to the test, as a host's own search callback would.
class DelegatingFindFile : public osgDB::FindFileCallback {
public:
    explicit DelegatingFindFile(std::function<std::string(const std::string&)> find)
        : find_(std::move(find))
    {
    }
    std::string findDataFile(const std::string& fileName, const osgDB::Options*, osgDB::CaseSensitivity) override
    {
        return find_(fileName);
    }

private:
    std::function<std::string(const std::string&)> find_;
};

TEST_F(TmdReaderTest, DataFileSearchRefusesNestedLookUpsButNotThoseOfOtherThreads)
{
    MediaPlayer2::OsgFindDataFileSearch search;
    osgDB::Registry* registry = osgDB::Registry::instance();
    const osg::ref_ptr<osgDB::FindFileCallback> previous = registry->getFindFileCallback();
    registry->setFindFileCallback(new DelegatingFindFile([&](const std::string& name) {
        if (name != "outer")
            return "/data/" + name;
        const std::string nested = search.findFile("nested", orvCore::FileSearch::ANY_FILE);
        const std::string otherThread =
            std::async(std::launch::async, [&] { return search.findFile("other", orvCore::FileSearch::DATA_FILE); })
                .get();
        return "/data/outer|" + nested + "|" + otherThread;
    }));
    EXPECT_EQ(search.findFile("outer", orvCore::FileSearch::ANY_FILE), "/data/outer||/data/other");
    EXPECT_EQ(search.findFile("again", orvCore::FileSearch::IMAGE_FILE), "/data/again");
    registry->setFindFileCallback(previous.get());

    const QString name = QFileInfo(QString::fromStdString(good_)).fileName();
    registry->getDataFilePathList().push_back(folder_.path().toStdString());
    EXPECT_EQ(search.findFile(name.toStdString(), orvCore::FileSearch::DATA_FILE), good_);
    EXPECT_EQ(search.findFile(name.toUpper().toStdString(), orvCore::FileSearch::DATA_FILE), "");
    registry->getDataFilePathList().pop_back();
}

}  // namespace

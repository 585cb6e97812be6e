#pragma once

#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace BrokenMedia {

// Far longer than a clip of a few seconds takes to play through: a hang fails the test that meets it.
constexpr int kHangGuardMs = 20000;
// A broken file is played this long from its start and from its middle.
constexpr double kPlaySeconds = 0.12;

// A generated clip that holds sound or pictures, and what is left of it when it is cut short.
struct Clip
{
    std::string name;
    // The index and stream headers come before the coded data, so a copy cut after them still
    // opens; clips indexed at their end do not open at all without it.
    bool opensWhenCut;
};

void PrintTo(const Clip& clip, std::ostream* stream);

// Every clip the fixture script generates with sound or pictures.
const std::vector<Clip>& generatedClips();
// For test names: the clip's name with its dot replaced.
std::string testNameOf(const ::testing::TestParamInfo<Clip>& info);

// A damaged copy of a generated clip, described with its offset or seed so that a failure names
// damage that can be made again.
struct BrokenFile
{
    std::string clip;
    std::string damage;
    QString path;

    std::string description() const;
};

// Bytes changed at random in a copy, on average one in `oneIn`, from the first byte or only after
// the header, at places drawn from `seed`.
struct Noise
{
    unsigned seed;
    int oneIn;
    bool spareHeader;
};

// Makes damaged copies of the generated clips in a temporary folder that lives as long as it.
class BrokenFileMaker
{
public:
    bool isValid() const { return folder_.isValid(); }

    BrokenFile truncated(const std::string& clip, int64_t size);
    BrokenFile truncatedAt(const std::string& clip, double fraction);
    // Copies cut at a dozen sizes: inside the header, just after it, through the middle and a few
    // bytes short of the end.
    std::vector<BrokenFile> truncatedSpread(const std::string& clip);

    BrokenFile noisy(const std::string& clip, const Noise& noise);
    // Copies with a few seeds and densities, the header spared or not.
    std::vector<BrokenFile> noisySpread(const std::string& clip);

private:
    BrokenFile write_(const std::string& clip, const std::string& stem, const std::string& damage,
                      const QByteArray& bytes);

    QTemporaryDir folder_;
};

// A test over damaged copies of each generated clip.
class BrokenClipTest : public ::testing::TestWithParam<Clip>
{
protected:
    void SetUp() override { ASSERT_TRUE(maker.isValid()); }

    BrokenFileMaker maker;
};

// The size of the clip's header: where its first packet starts; 0 when FFmpeg cannot tell.
int64_t headerSizeOf(const std::string& clip);

// The number of the latest picture whose packet a (cut) file still holds, by FFmpeg alone; -1 when
// it holds none.
int lastPictureIn(const QString& path);

// Where to start playing a cut file of that length so that it runs through its last pictures (or,
// without pictures, its last moments) to its end.
double leadInTo(int lastPicture, double duration);

// After a play through the end of a cut file: its pictures arrive up to nearly the last one it
// holds, and none past it. `latest` gives the latest picture shown so far.
void expectPicturesUpTo(int lastHeld, const std::function<int()>& latest);

} // namespace BrokenMedia

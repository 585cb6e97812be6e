#pragma once

#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace BrokenMedia {

// Far longer than a clip of a few seconds takes to play through; every wait of the suite gives up
// after it, so a hang fails the test that meets it.
constexpr int kHangGuardMs = 20000;

// A generated clip that holds sound or pictures, and what is left of it when it is cut short.
struct Clip
{
    std::string name;
    // The index and stream headers come before the coded data, so a copy cut after them still
    // opens; clips indexed at their end do not open at all without it.
    bool opensWhenCut;
};

// For failure messages of tests over clips.
void PrintTo(const Clip& clip, std::ostream* stream);

// Every clip the fixture script generates with sound or pictures.
const std::vector<Clip>& generatedClips();
// For test names: the clip's name with its dot replaced.
std::string testNameOf(const Clip& clip);

// A damaged copy of a generated clip. The damage is told with its offset or seed, so a failure
// names a file that the same damage makes again.
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
    bool isValid() const;

    // The clip cut to its first `size` bytes.
    BrokenFile truncated(const std::string& clip, int64_t size);
    // The clip cut to this fraction of its size.
    BrokenFile truncatedAt(const std::string& clip, double fraction);
    // Copies cut at a dozen sizes spread over the clip: inside its header, just after it, through
    // the middle and a few bytes short of the end.
    std::vector<BrokenFile> truncatedSpread(const std::string& clip);

    BrokenFile noisy(const std::string& clip, const Noise& noise);
    // Copies with a few seeds and densities, the header spared or not.
    std::vector<BrokenFile> noisySpread(const std::string& clip);

private:
    // Writes the bytes as `stem`-`clip`.
    BrokenFile write_(const std::string& clip, const std::string& stem, const std::string& damage,
                      const QByteArray& bytes);

    QTemporaryDir folder_;
};

// The size of the clip's header: where its first packet starts; 0 when FFmpeg cannot tell.
int64_t headerSizeOf(const std::string& clip);

// The number of the latest picture whose packet a (cut) file still holds, by FFmpeg alone; -1 when
// it holds none.
int lastPictureIn(const QString& path);

// Pictures short of the last one a cut file holds that may still not show: a decoder that reorders
// holds back up to three, and the packet the cut runs through may not decode.
constexpr int kPicturesLostAtTheCut = 4;

// Where to start playing a cut file of that length so that it runs through its last pictures (or,
// without pictures, its last moments) to its end.
double leadInTo(int lastPicture, double duration);

} // namespace BrokenMedia

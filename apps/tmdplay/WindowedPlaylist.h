#pragma once

#include "media/LoadProgressObserver.h"
#include "media/MediaParameters.h"
#include "playlist/Playlist.h"
#include "playlist/QtClock.h"
#include "WindowMediaFactory.h"

#include <QObject>
#include <QSize>
#include <QString>

#include <map>
#include <memory>

namespace orvCore {
class Clock;
class FileSearch;
}

/// A playlist file played the way a windowed host plays it: each item's window is placed and
/// decorated from its record when the item is activated, shown when it plays, and hidden on a
/// clock change that leaves the item inactive. Videos play their sound unless the item is muted.
class WindowedPlaylist : public QObject {
    Q_OBJECT

public:
    /// Loads every item (reporting progress on stdout) and binds the playlist to the clock.
    WindowedPlaylist(const QString& fileName, orvCore::FileSearch& fileSearch, orvCore::Clock& clock);
    ~WindowedPlaylist() override;

private:
    struct Window {
        MediaPlayer2::MediaParameters params;
        QSize nativeSize;
        bool active = false;
    };

    void beginTick_();
    void endTick_();
    void activate_(const MediaPlayer2::PlaylistEntry* entry, const MediaPlayer2::MediaParameters& params,
                   const QSize& nativeSize);
    void show_(const MediaPlayer2::PlaylistEntry* entry, QWidget* window);
    static void place_(QWidget& window, const Window& record);

    // All on the thread that runs the loop. Declared so that the clock binding goes first and the
    // factory, which owns the image windows, last.
    MediaPlayer2::LoadProgressObserver progress_;
    WindowMediaFactory factory_;
    MediaPlayer2::Playlist playlist_;
    std::map<const MediaPlayer2::PlaylistEntry*, Window> windows_;
    std::unique_ptr<MediaPlayer2::QtClock> clock_;
};

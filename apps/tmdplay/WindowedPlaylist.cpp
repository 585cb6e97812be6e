#include "WindowedPlaylist.h"

#include "loaders/PlaylistFileLoader.h"
#include "media/MediaFile.h"
#include "playlist/BuildToPlaylist.h"

#include <QWidget>

#include <cstdio>

WindowedPlaylist::WindowedPlaylist(const QString& fileName, orvCore::FileSearch& fileSearch, orvCore::Clock& clock)
    : factory_(progress_)
{
    connect(&progress_, &MediaPlayer2::LoadProgressObserver::progressChanged, this,
            [](int percent) { std::printf("loading: %d%%\n", percent); });
    connect(&progress_, &MediaPlayer2::LoadProgressObserver::completed, this,
            [] { std::printf("loading: complete\n"); });

    MediaPlayer2::BuildToPlaylist builder(factory_);
    MediaPlayer2::PlaylistFileLoader loader(builder);
    loader.setFallbackFileSearch(&fileSearch);
    loader.loadFile(fileName.toStdString());
    progress_.setInitializationFinished();
    builder.transfer(&playlist_);

    QList<std::shared_ptr<MediaPlayer2::PlaylistEntry>> entries;
    playlist_.getPlaylistEntries(entries);
    for (const std::shared_ptr<MediaPlayer2::PlaylistEntry>& entry : entries) {
        const MediaPlayer2::PlaylistEntry* key = entry.get();
        windows_[key].params = entry->mediaParameters();
        if (entry->mediaFile())
            entry->mediaFile()->setMuted(entry->mediaParameters().mute());
        connect(entry.get(), &MediaPlayer2::PlaylistEntry::mediaActivated, this,
                [this, key](const MediaPlayer2::MediaParameters& params, const QSize& size) { activate_(key, params, size); });
        connect(entry.get(), &MediaPlayer2::PlaylistEntry::mediaPlaying, this,
                [this, key](QWidget* window) { show_(key, window); });
    }

    // Direct connections run in the order made: the windows learn which items a clock change
    // activated between the first and the last.
    clock_ = std::make_unique<MediaPlayer2::QtClock>(clock);
    connect(clock_.get(), &MediaPlayer2::QtClock::tick, this, &WindowedPlaylist::beginTick_);
    connect(clock_.get(), &MediaPlayer2::QtClock::tick, &playlist_, &MediaPlayer2::Playlist::setClockState);
    connect(clock_.get(), &MediaPlayer2::QtClock::tick, this, &WindowedPlaylist::endTick_);
}

WindowedPlaylist::~WindowedPlaylist()
{
    clock_.reset();
}

void WindowedPlaylist::beginTick_()
{
    for (auto& [entry, window] : windows_)
        window.active = false;
}

void WindowedPlaylist::endTick_()
{
    QList<std::shared_ptr<MediaPlayer2::PlaylistEntry>> entries;
    playlist_.getPlaylistEntries(entries);
    for (const std::shared_ptr<MediaPlayer2::PlaylistEntry>& entry : entries) {
        QWidget* window = entry->mediaFile() ? entry->mediaFile()->outputWidget() : nullptr;
        if (window && !windows_[entry.get()].active)
            window->hide();
    }
}

void WindowedPlaylist::activate_(const MediaPlayer2::PlaylistEntry* entry, const MediaPlayer2::MediaParameters& params,
                                 const QSize& nativeSize)
{
    Window& window = windows_[entry];
    window.params = params;
    window.nativeSize = nativeSize;
    window.active = true;
}

void WindowedPlaylist::show_(const MediaPlayer2::PlaylistEntry* entry, QWidget* window)
{
    if (!window || window->isVisible())
        return;
    place_(*window, windows_[entry]);
    window->show();
}

void WindowedPlaylist::place_(QWidget& window, const Window& record)
{
    const MediaPlayer2::MediaParameters& params = record.params;
    Qt::WindowFlags flags = Qt::Window;
    if (!params.displayDecorations())
        flags |= Qt::FramelessWindowHint;
    if (params.alwaysOnTop())
        flags |= Qt::WindowStaysOnTopHint;
    window.setWindowFlags(flags);
    // Without placement the window takes the picture's own size where the window system puts it.
    const QRectF rect = params.position();
    const QSize size(params.isWidthSet() ? qRound(rect.width()) : record.nativeSize.width(),
                     params.isHeightSet() ? qRound(rect.height()) : record.nativeSize.height());
    if (size.isValid())
        window.resize(size);
    if (params.isXSet() || params.isYSet())
        window.move(qRound(rect.x()), qRound(rect.y()));
}

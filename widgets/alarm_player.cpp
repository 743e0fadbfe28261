#include "widgets/alarm_player.h"

#include "widgets/wave_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

namespace sonavistor {

AlarmPlayer::AlarmPlayer(const QString& folder, QObject* parent)
    : QObject(parent), folder_(folder)
{
}

AlarmPlayer::~AlarmPlayer() = default;

bool AlarmPlayer::loading() const
{
    return effect_ && effect_->status() == QSoundEffect::Loading;
}

bool AlarmPlayer::playing() const
{
    // Only a loaded sound can be heard: one that is still loading (or never
    // will, or failed) is not playing, whatever the effect says.
    return effect_ && effect_->isPlaying() && effect_->status() == QSoundEffect::Ready;
}

void AlarmPlayer::play(const QString& name)
{
    // The sound effect reports itself playing while it loads, even a file
    // that does not exist: look at the file first.
    const QString path = QDir(folder_).filePath(name);
    if (!QFileInfo(path).isFile() || waveFileProblem(path))
        return;
    if (playing())
        return;
    if (!effect_)
        effect_ = std::make_unique<QSoundEffect>();
    // A file that failed to load is loaded again: it may have been mended.
    if (loaded_ != path || effect_->status() == QSoundEffect::Error) {
        effect_->setSource(QUrl());
        effect_->setSource(QUrl::fromLocalFile(path));
        loaded_ = path;
    }
    effect_->play();
}

}  // namespace sonavistor

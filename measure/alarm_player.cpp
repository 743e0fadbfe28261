#include "measure/alarm_player.h"

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

bool AlarmPlayer::playing() const
{
    return effect_ && effect_->isPlaying();
}

void AlarmPlayer::play(const QString& name)
{
    // The sound effect reports itself playing while it loads, even a file
    // that does not exist: look at the file first.
    const QString path = QDir(folder_).filePath(name);
    if (!QFileInfo(path).isFile())
        return;
    if (playing())
        return;
    if (!effect_)
        effect_ = std::make_unique<QSoundEffect>();
    if (loaded_ != path) {
        effect_->setSource(QUrl::fromLocalFile(path));
        loaded_ = path;
    }
    effect_->play();
}

}  // namespace sonavistor

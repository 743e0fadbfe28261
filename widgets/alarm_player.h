#pragma once
// Plays the alarm sounds: asynchronously, never a substitute sound when the
// file is missing, and never cutting off a sound of the program that is still
// playing.

#include <QObject>
#include <QString>

#include <memory>

class QSoundEffect;

namespace sonavistor {

class AlarmSink {
public:
    virtual ~AlarmSink() = default;
    // name: the bare file name, looked up in the program folder.
    virtual void play(const QString& name) = 0;
};

class AlarmPlayer : public QObject, public AlarmSink {
    Q_OBJECT
public:
    explicit AlarmPlayer(const QString& folder, QObject* parent = nullptr);
    ~AlarmPlayer() override;

    void play(const QString& name) override;
    bool playing() const;
    // The sound is still being read (the effect loads it on a thread of its own).
    bool loading() const;

private:
    QString folder_;
    std::unique_ptr<QSoundEffect> effect_;
    QString loaded_;
};

}  // namespace sonavistor

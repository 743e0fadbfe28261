#pragma once
// A look at a wave file before it goes to the sound player. The player's
// decoder waits for ever on a file whose header promises more than the file
// holds (and every later sound then waits behind it), so anything the decoder
// cannot finish is turned away here.

#include <QByteArray>
#include <QString>

#include <optional>

namespace sonavistor {

// head: the first bytes of the file (at least up to the start of its sound
// data); fileSize: the file's whole length. Returns why the file is not a
// complete RIFF wave file, or nothing when it is one.
std::optional<QString> waveProblem(const QByteArray& head, qint64 fileSize);

// Reads the file's head and checks it; a file that cannot be read is a problem too.
std::optional<QString> waveFileProblem(const QString& path);

}  // namespace sonavistor

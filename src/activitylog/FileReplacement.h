#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace ostrel {

// Replaces the file at `path` by `contents` so that a crash or a power cut leaves either
// the old file or the new one, whole: the bytes go to `temporaryPath`, reach stable storage,
// and a single rename puts them in place. Returns why it failed, or nothing on success;
// on failure `path` is untouched and the temporary file removed.
std::optional<QString> replaceFileContents(const QString& path, const QString& temporaryPath,
                                           const QByteArray& contents);

} // namespace ostrel

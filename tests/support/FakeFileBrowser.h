#pragma once

#include "platform/FileBrowser.h"

#include <QStringList>

namespace ostrel {

// Records the files Ostrel asked the file manager to show.
class FakeFileBrowser final : public FileBrowser {
public:
    void revealFile(const QString& path) override { revealed.append(path); }

    QStringList revealed;
};

} // namespace ostrel

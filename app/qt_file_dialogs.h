#pragma once
// File dialogs on screen.

#include "common/file_dialogs.h"

namespace sonavistor {

class QtFileDialogs : public FileDialogService {
public:
    QString getSaveFileName(QWidget* parent, const QString& filter,
                            const QString& defaultSuffix) override;
    QString getOpenFileName(QWidget* parent, const QString& filter) override;

private:
    QString lastFolder_;  // dialogs open where the user last was
};

}  // namespace sonavistor

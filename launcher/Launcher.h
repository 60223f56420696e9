#pragma once

#include "launcher/DataFolder.h"

#include <QString>

namespace txl::launcher {

// What the user is told once after a new book was made there; empty for Ready.
QString greeting(Preparation preparation, const QString &folder);

// The whole launch: prepares `folder` (see prepareDataFolder), tells the user how to sign in the
// first time in an information box when a book was made, then starts `program` with `folder` as
// its working folder and returns without waiting for it. A failure is shown in an error notice;
// returns whether the program was started.
bool launch(const QString &folder, const QString &pictureSource, const QString &program);

}   // namespace txl::launcher

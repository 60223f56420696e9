#pragma once

#include <QProcessEnvironment>
#include <QString>

#include <stdexcept>

// The user's own folder that txl runs in when it is started from the desktop menu: it holds
// DataBase/txl.mdb and the two exit-button pictures under images/, as the program expects of its
// working folder.
namespace txl::launcher {

// $XDG_DATA_HOME/txl, or ~/.local/share/txl when XDG_DATA_HOME is unset, empty or relative (a
// relative value is invalid and is ignored).
QString dataFolder(const QProcessEnvironment &environment);

enum class Preparation {
    Ready,          // the book was there; nothing of it was touched
    CreatedFirst,   // the folder was new: folder, pictures and book were made
    CreatedAgain,   // the folder was there without a book: a new book was made
};

// What went wrong, in words for the user.
class PrepareError : public std::runtime_error {
public:
    explicit PrepareError(const QString &message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromUtf8(what()); }
};

// Makes `folder` ready for txl: creates it (readable by its owner only) when missing, copies a
// missing exit-button picture from `pictureSource` (a folder holding 02.bmp and 02_1.bmp; an
// existing picture is left as it is) and creates the book with the administrator account when
// there is none. An existing book is never opened or changed. Throws PrepareError; a book that
// could not be made completely is not left behind.
Preparation prepareDataFolder(const QString &folder, const QString &pictureSource);

}   // namespace txl::launcher

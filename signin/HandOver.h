#pragma once

#include <QString>

// The hand-over between the three windows of the start-up chain.
namespace txl::handover {

// The login window's check succeeded: record the user, show the loading window, hide the login
// window (which stays the main form).
void signInSucceeded(const QString &userName);

// The loading window closed: create the main window, stop the loading timer, show the main window
// (it copies the user name from the login window), then free the login window.
void loadingFinished();

} // namespace txl::handover

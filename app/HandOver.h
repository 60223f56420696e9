#pragma once

#include <QString>

// The hand-over between the three windows of the start-up chain. The login and loading windows
// only report that they are done; these steps, installed by start-up, decide what comes next.
namespace txl::app {

// The login window's check succeeded: record the user in the login window, show the loading
// window, hide the login window (which stays the main form).
void signInSucceeded(const QString &userName);

// The loading window closed: create the main window, stop the loading timer, show the main window
// (it copies the user name from the login window), then free the login window.
void loadingFinished();

// Makes the two steps above what the login and loading windows report to.
void installHandOver();

}   // namespace txl::app

#pragma once

namespace txl::app {

// The start-up sequence after the application object exists: install the hand-over between the
// windows of the chain, create the data module (its connection opens now; a failure is reported
// and start-up goes on), then the login window, which becomes the main form, and show it.
void startUp();
// Frees what start-up made, when the run has ended.
void shutDown();

}   // namespace txl::app

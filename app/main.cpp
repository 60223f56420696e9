// txl (同学录): a desktop address book for a circle of schoolmates.

#include "app/Startup.h"
#include "platform/ui/Application.h"
#include "platform/ui/Fonts.h"

int main(int argc, char **argv) {
    txl::ui::Application app(argc, argv);
    txl::ui::installFontSubstitutions();
    txl::app::startUp();
    // Start-up may already have ended the run (the login window closed at once).
    const int rc = app.terminated() ? 0 : app.exec();
    txl::app::shutDown();
    return rc;
}

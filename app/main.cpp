// txl (同学录): a desktop address book for a circle of schoolmates.

#include "app/Startup.h"
#include "platform/ui/Application.h"
#include "platform/ui/Fonts.h"

int main(int argc, char **argv) {
    txl::ui::Application app(argc, argv);
    txl::ui::installFontSubstitutions();
    txl::app::startUp();
    const int rc = app.exec();
    txl::app::shutDown();
    return rc;
}

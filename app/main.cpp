// txl (同学录): start-up. Create the data module (its connection opens now), then the login window,
// which becomes the main form, and run until the application is told to end.

#include "data/U2.h"
#include "platform/ui/Application.h"
#include "platform/ui/Fonts.h"
#include "platform/ui/Guard.h"
#include "signin/Ulogin.h"

int main(int argc, char **argv) {
    txl::ui::Application app(argc, argv);
    txl::ui::installFontSubstitutions();

    DataModule1 = new TDataModule1();
    // A database that cannot be opened is reported, and start-up goes on with the connection
    // closed; every later use tries to open it again.
    txl::ui::guarded([] { DataModule1->con.open(); });

    Form2 = app.createForm<TForm2>();
    Form2->show();

    const int rc = app.exec();
    delete DataModule1;
    DataModule1 = nullptr;
    return rc;
}

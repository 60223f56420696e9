#include "app/Startup.h"

#include "app/HandOver.h"
#include "data/U2.h"
#include "platform/ui/Application.h"
#include "platform/ui/Guard.h"
#include "signin/Ulogin.h"

namespace txl::app {

void startUp() {
    installHandOver();
    DataModule1 = new TDataModule1();
    // A database that cannot be opened is reported, and start-up goes on with the connection
    // closed; every later use tries to open it again.
    ui::guarded([] { DataModule1->con.open(); });

    Form2 = ui::Application::instance()->createForm<TForm2>();
    Form2->show();
}

void shutDown() {
    delete Form2;
    Form2 = nullptr;
    delete DataModule1;
    DataModule1 = nullptr;
}

}   // namespace txl::app

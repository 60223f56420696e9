#include "app/HandOver.h"

#include "main/UStu.h"
#include "platform/ui/Application.h"
#include "signin/Ufirst.h"
#include "signin/Ulogin.h"

#include <QTimer>

namespace txl::app {

void signInSucceeded(const QString &userName) {
    Form2->setSignedInUser(userName);
    First = ui::Application::instance()->createForm<TFirst>();
    First->show();
    Form2->hide();
}

void loadingFinished() {
    Form1 = ui::Application::instance()->createForm<TForm1>();
    First->Timer1->stop();
    Form1->show();
    delete Form2;
    Form2 = nullptr;
}

void installHandOver() {
    TForm2::onSignInSucceeded = signInSucceeded;
    TFirst::onLoadingFinished = loadingFinished;
}

}   // namespace txl::app

#include "platform/ui/Guard.h"

#include "platform/os/OutOfMemory.h"
#include "platform/ui/MessageBoxes.h"

#include <QString>

#include <exception>
#include <new>

using namespace Qt::StringLiterals;

namespace txl::ui {

bool guarded(const std::function<void()> &handler) {
    try {
        handler();
        return true;
    } catch (const std::bad_alloc &) {
        errorReport(os::outOfMemoryText());
    } catch (const std::exception &error) {
        errorReport(QString::fromUtf8(error.what()));
    } catch (...) {
        errorReport(u"Unknown error"_s);
    }
    return false;
}

}   // namespace txl::ui

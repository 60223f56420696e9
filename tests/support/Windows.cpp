#include "tests/support/Windows.h"

#include "accounts/UShezhi.h"
#include "accounts/Uxt.h"
#include "contacts/Unit3.h"
#include "main/U4.h"
#include "main/UStu.h"
#include "report/Unit_print.h"
#include "signin/Ufirst.h"
#include "signin/Ulogin.h"

namespace txl::test {

void freeWindows() {
    release(Add);
    release(Form4);
    release(Shezhi);
    release(About);
    release(Frm_printer);
    release(Form1);
    release(First);
    release(Form2);
}

} // namespace txl::test

#include "bench/Fixtures.h"

#include "bench/Harness.h"
#include "data/DatabaseFile.h"
#include "platform/ui/MessageBoxes.h"

#include <cstdio>
#include <stdexcept>

namespace txl::bench {

GeneratedBook::GeneratedBook(int contacts) {
    if (!m_dir.isValid())
        throw std::runtime_error("no temporary folder");
    m_path = m_dir.filePath(QStringLiteral("DataBase/txl.mdb"));
    const double made = seconds([&] { data::createDatabase(m_path, {.sampleContacts = contacts}); });
    std::printf("  (made %d contacts in %.1f s)\n", contacts, made);
}

BoxGuard::BoxGuard() {
    ui::setAnswerer([this](const ui::BoxRecord &box) {
        m_boxes.push_back(box.text.toStdString());
        return box.enterAnswer;
    });
}

BoxGuard::~BoxGuard() {
    ui::setAnswerer({});
}

void BoxGuard::requireNone() const {
    if (!m_boxes.empty())
        throw std::runtime_error("a message box was shown: " + m_boxes.front());
}

}   // namespace txl::bench

#pragma once

#include "platform/print/ReportBuild.h"
#include "platform/print/ReportLayout.h"
#include "platform/ui/Form.h"

#include <QDateTime>

// The report form of the contact list. A new one is made for every print command and kept,
// hidden, until the program ends.
class TFrm_printer : public txl::ui::Form {
    Q_OBJECT

public:
    TFrm_printer();
    ~TFrm_printer() override;

    // Opens the print preview of whatever `query` holds and builds the pages into it; returns when
    // the preview window is closed (or at once, if it was closed while the pages were being built).
    void previewReport();

    // Stamped by the create handler; the same on every page and every later print.
    QDateTime printTime() const { return m_printTime; }
    QString printTimeText() const;

    // The report's design: a ruled table of the nine contact columns on A4.
    txl::print::ReportDefinition Report1;
    // The design together with the rows of `query`, as the preview builds and prints it.
    txl::print::ReportJob reportJob() const;

protected:
    void FormCreate() override;

private:
    void designReport();

    QDateTime m_printTime;
};

extern TFrm_printer *Frm_printer;

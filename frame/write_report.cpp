#include "frame/write_report.h"

#include "frame/rich_text_box.h"

void WriteReport(RichTextBox& box, const Report& report) {
    box.SetText(report.text);
    box.SetSelStart(0);
    box.SetSelLength(report.text.size());
    box.SetSelBold(false);
    box.SetSelColor(ReportTextColor);
    for (const Emphasis& e : report.emphases) {
        box.SetSelStart(e.start);
        box.SetSelLength(e.length);
        if (e.kind == Emphasis::Kind::Headline) {
            box.SetSelBold(true);
            box.SetSelColor(HeadlineColor);
        } else {
            box.SetSelColor(ValueColor);
        }
    }
    box.SetSelStart(0);
}

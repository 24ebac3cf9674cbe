// The Print page's report text (RichEdit): coloured runs appended at its end without laying out
// the whole text again, and the report as plain text, HTML, a file or a print job.
#pragma once

#include <QColor>
#include <QPlainTextEdit>
#include <QString>

class QPrinter;

namespace vortik {

// The file types Edit writes, in the order of its save dialog's choices.
enum class ReportFileType { kText = 0, kHtml = 1, kOpenDocument = 2 };

class ReportEdit : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit ReportEdit(QWidget* parent);

  // Appends `text` (CR LF, CR or LF break lines) at the end in `colour`; the caret follows it.
  void AppendText(const QString& text, const QColor& colour);
  // Appends `text` at the end in the colour of the last appended text.
  void AppendBuiltIn(const QString& text);
  // Empties the report; the typing colour returns to the default green.
  void ClearReport();

  QString ReportPlainText() const;  // lines separated by "\n"
  QString ReportHtml() const;       // with the colours
  // Writes the whole report as `type`: text is FF FE, UTF-16LE, lines separated by CR LF; HTML
  // and OpenDocument keep the colours. Returns an empty text, or what went wrong.
  QString Save(const QString& path, ReportFileType type) const;
  // Prints the whole report in colour, paginated over the printer's page, as one job.
  void PrintReport(QPrinter& printer);

  static const QColor kDefaultColour;
  static const QColor kBackground;

 private:
  QColor lastColour_;
};

}  // namespace vortik

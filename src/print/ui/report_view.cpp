#include "print/ui/report_view.h"

#include <QFile>
#include <QFont>
#include <QPrinter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocumentWriter>
#include <QTextOption>

namespace vortik {

const QColor ReportEdit::kDefaultColour(0x00, 0xEE, 0x00);
const QColor ReportEdit::kBackground(0x02, 0x21, 0x51);

namespace {
QString CannotWrite(const QString& path, const QString& reason) {
  return QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason);
}
}  // namespace

ReportEdit::ReportEdit(QWidget* parent) : QPlainTextEdit(parent), lastColour_(kDefaultColour) {
  setObjectName(QStringLiteral("RichEdit"));
  setFrameShape(QFrame::NoFrame);
  // Lines keep their layout: long report lines scroll sideways instead of wrapping.
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setUndoRedoEnabled(false);
  // Report lines read left to right; right-to-left phrases keep their own order within a line.
  QTextOption option = document()->defaultTextOption();
  option.setTextDirection(Qt::LeftToRight);
  document()->setDefaultTextOption(option);
  QFont font(QStringLiteral("Consolas"));
  font.setPointSize(12);
  font.setStyleHint(QFont::Monospace);
  setFont(font);
  QPalette p = palette();
  p.setColor(QPalette::Base, kBackground);
  p.setColor(QPalette::Text, kDefaultColour);
  setPalette(p);
  setAutoFillBackground(true);
  ClearReport();
}

void ReportEdit::AppendText(const QString& text, const QColor& colour) {
  lastColour_ = colour;
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  QTextCharFormat format;
  format.setForeground(colour);
  cursor.insertText(text, format);
  setTextCursor(cursor);
  setCurrentCharFormat(format);
  ensureCursorVisible();
}

void ReportEdit::AppendBuiltIn(const QString& text) {
  AppendText(text, lastColour_);
}

void ReportEdit::ClearReport() {
  clear();
  lastColour_ = kDefaultColour;
  QTextCharFormat format;
  format.setForeground(kDefaultColour);
  setCurrentCharFormat(format);
}

QString ReportEdit::ReportPlainText() const {
  // The raw text keeps non-breaking spaces (toPlainText would turn them into spaces); only the
  // paragraph and line separators become line feeds.
  QString text = document()->toRawText();
  for (QChar& ch : text) {
    if (ch == QChar::ParagraphSeparator || ch == QChar::LineSeparator) ch = QLatin1Char('\n');
  }
  return text;
}

QString ReportEdit::ReportHtml() const {
  return document()->toHtml();
}

QString ReportEdit::Save(const QString& path, ReportFileType type) const {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    return CannotWrite(path, file.errorString());
  }
  bool ok = true;
  if (type == ReportFileType::kText) {
    QString text = ReportPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    QByteArray bytes;
    bytes.reserve(2 + text.size() * 2);
    bytes.append('\xFF').append('\xFE');
    for (QChar ch : text) {
      bytes.append(static_cast<char>(ch.unicode() & 0xFF));
      bytes.append(static_cast<char>(ch.unicode() >> 8));
    }
    ok = file.write(bytes) == bytes.size();
  } else {
    QTextDocumentWriter writer(&file, type == ReportFileType::kHtml ? "HTML" : "ODF");
    ok = writer.write(document());
  }
  if (ok) ok = file.flush();
  if (!ok) {
    const QString reason = file.errorString();
    file.close();
    file.remove();
    return CannotWrite(path, reason);
  }
  file.close();
  return {};
}

void ReportEdit::PrintReport(QPrinter& printer) {
  print(&printer);
}

}  // namespace vortik

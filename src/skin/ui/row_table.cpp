#include "skin/ui/row_table.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFocusEvent>
#include <QHash>
#include <QHeaderView>
#include <QItemSelection>
#include <QPointer>
#include <QSet>

#include <algorithm>
#include <utility>

namespace vortik {

namespace {

// One row of a RowTable as a list item. It holds no texts of its own: the row's cells are read
// when asked, so the item stays right when the table shows another page of records.
class RowAccessible : public QAccessibleInterface {
 public:
  RowAccessible(RowTable* table, int row) : table_(table), row_(row) {}

  int row() const { return row_; }
  const RowTable* table() const { return table_; }

  bool isValid() const override { return !table_.isNull() && row_ < table_->rowCount(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override {
    return table_.isNull() ? nullptr : table_->window()->windowHandle();
  }

  QAccessibleInterface* parent() const override {
    return table_.isNull() ? nullptr : QAccessible::queryAccessibleInterface(table_.data());
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }

  QString text(QAccessible::Text t) const override {
    if (t != QAccessible::Name || !isValid()) return QString();
    return table_->RowText(row_);
  }
  void setText(QAccessible::Text, const QString&) override {}

  QRect rect() const override {
    if (!isValid()) return QRect();
    QRect bounds = RowBounds();
    if (bounds.isEmpty()) return QRect();
    return QRect(table_->viewport()->mapToGlobal(bounds.topLeft()), bounds.size());
  }

  QAccessible::Role role() const override { return QAccessible::ListItem; }

  QAccessible::State state() const override {
    QAccessible::State s;
    if (!isValid()) {
      s.invalid = true;
      return s;
    }
    s.selectable = true;
    s.focusable = true;
    s.selected = table_->selectionModel()->isRowSelected(row_, QModelIndex());
    s.focused = table_->hasFocus() && table_->currentIndex().row() == row_;
    s.disabled = !table_->isEnabled();
    s.invisible = !table_->isVisible();
    s.offscreen = !table_->viewport()->rect().intersects(RowBounds());
    return s;
  }

 private:
  QRect RowBounds() const {
    const int last = table_->columnCount() - 1;
    if (last < 0) return QRect();
    return table_->visualRect(table_->model()->index(row_, 0))
        .united(table_->visualRect(table_->model()->index(row_, last)));
  }

  QPointer<RowTable> table_;
  int row_;
};

class RowTableAccessible : public QAccessibleWidget {
 public:
  explicit RowTableAccessible(RowTable* table) : QAccessibleWidget(table, QAccessible::List) {}

  ~RowTableAccessible() override {
    for (QAccessible::Id id : std::as_const(rows_)) QAccessible::deleteAccessibleInterface(id);
  }

  int childCount() const override { return table()->rowCount(); }

  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= childCount()) return nullptr;
    const auto found = rows_.constFind(index);
    if (found != rows_.constEnd()) return QAccessible::accessibleInterface(*found);
    auto* row = new RowAccessible(table(), index);
    rows_.insert(index, QAccessible::registerAccessibleInterface(row));
    return row;
  }

  int indexOfChild(const QAccessibleInterface* child) const override {
    const auto* row = dynamic_cast<const RowAccessible*>(child);
    if (row == nullptr || row->table() != table() || !row->isValid()) return -1;
    return row->row();
  }

  QAccessibleInterface* childAt(int x, int y) const override {
    const QPoint local = table()->viewport()->mapFromGlobal(QPoint(x, y));
    if (!table()->viewport()->rect().contains(local)) return nullptr;
    return child(table()->rowAt(local.y()));
  }

  QAccessibleInterface* focusChild() const override {
    if (!table()->hasFocus() || !table()->currentIndex().isValid()) return nullptr;
    return child(table()->currentIndex().row());
  }

 private:
  RowTable* table() const { return static_cast<RowTable*>(widget()); }

  // Row number to the id of its item in Qt's accessibility cache; the items live as long as
  // the table's own interface.
  mutable QHash<int, QAccessible::Id> rows_;
};

QAccessibleInterface* RowTableFactory(const QString&, QObject* object) {
  if (auto* table = qobject_cast<RowTable*>(object)) return new RowTableAccessible(table);
  return nullptr;
}

void TellRow(RowTable* table, QAccessible::Event type, int row) {
  QAccessibleEvent event(table, type);
  event.setChild(row);
  QAccessible::updateAccessibility(&event);
}

QList<int> RowsOf(const QItemSelection& selection) {
  QSet<int> rows;
  for (const QItemSelectionRange& range : selection) {
    for (int row = range.top(); row <= range.bottom(); ++row) rows.insert(row);
  }
  QList<int> sorted = rows.values();
  std::sort(sorted.begin(), sorted.end());
  return sorted;
}

}  // namespace

RowTable::RowTable(int rows, int columns, QWidget* parent) : QTableWidget(rows, columns, parent) {
  static const bool installed = [] {
    QAccessible::installFactory(&RowTableFactory);
    return true;
  }();
  (void)installed;
}

QString RowTable::RowText(int row) const {
  QStringList parts;
  for (int column = 0; column < columnCount(); ++column) {
    const QTableWidgetItem* cell = item(row, column);
    const QString text = cell != nullptr ? cell->text().simplified() : QString();
    if (!text.isEmpty()) parts.append(text);
  }
  return parts.join(QLatin1Char(' '));
}

void RowTable::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  // Past the table view's own, which only adds telling a screen reader about a cell.
  // NOLINTNEXTLINE(bugprone-parent-virtual-call)
  QAbstractItemView::currentChanged(current, previous);
  const bool sameRow = previous.isValid() && previous.row() == current.row();
  if (!sameRow) {
    UpdateRow(previous.row());
    UpdateRow(current.row());
  }
  if (current.isValid() && !sameRow && hasFocus()) TellRow(this, QAccessible::Focus, current.row());
}

void RowTable::focusInEvent(QFocusEvent* event) {
  QTableWidget::focusInEvent(event);
  UpdateRow(currentIndex().row());
  // The window tells that the table has the focus once this returns; the row follows, so a
  // screen reader reads the row the keys will move from.
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (hasFocus() && currentIndex().isValid()) {
          TellRow(this, QAccessible::Focus, currentIndex().row());
        }
      },
      Qt::QueuedConnection);
}

void RowTable::focusOutEvent(QFocusEvent* event) {
  QTableWidget::focusOutEvent(event);
  UpdateRow(currentIndex().row());
}

void RowTable::UpdateRow(int row) {
  if (row < 0 || row >= rowCount()) return;
  viewport()->update(QRect(0, rowViewportPosition(row), viewport()->width(), rowHeight(row)));
}

void RowTable::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
  // Past the table view's own, as above.
  // NOLINTNEXTLINE(bugprone-parent-virtual-call)
  QAbstractItemView::selectionChanged(selected, deselected);
  for (int row : RowsOf(deselected)) TellRow(this, QAccessible::SelectionRemove, row);
  for (int row : RowsOf(selected)) TellRow(this, QAccessible::SelectionAdd, row);
}

void RowTable::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                           const QList<int>& roles) {
  QTableWidget::dataChanged(topLeft, bottomRight, roles);
  // A row's name is its text: a listening screen reader drops what it kept of the old one.
  if (!QAccessible::isActive() || !topLeft.isValid()) return;
  if (!roles.isEmpty() && !roles.contains(Qt::DisplayRole)) return;
  for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
    TellRow(this, QAccessible::NameChanged, row);
  }
}

}  // namespace vortik

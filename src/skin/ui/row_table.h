// A table whose lines are records (a code, its maker, its meaning): screen readers see it as a
// list with one item per row, named by the row's cells in order, instead of a grid of unnamed
// cells, and are told which row has the focus and which is selected.
#pragma once

#include <QTableWidget>

namespace vortik {

class RowTable : public QTableWidget {
  Q_OBJECT

 public:
  RowTable(int rows, int columns, QWidget* parent);

  // What a screen reader reads for `row`: the texts of its cells, blanks folded, joined by one
  // space; empty cells left out.
  QString RowText(int row) const;

 protected:
  // The table view tells assistive technology about cells; these tell it about rows. They also
  // draw again the whole rows that gain or lose the current place or the focus, where the view
  // draws only the current cell again (a delegate may draw that row apart, all of it).
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
  void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                   const QList<int>& roles) override;

 private:
  void UpdateRow(int row);
};

}  // namespace vortik

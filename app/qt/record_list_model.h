// The main window's list: one row per record of the current kind, its
// label computed from the record when the view asks, so that a list of
// 100,000 records fills at once and never holds a stale label.
#pragma once

#include <QAbstractListModel>

#include "app/editing.h"
#include "package/model.h"

namespace orv {

class RecordListModel : public QAbstractListModel {
    Q_OBJECT
public:
    RecordListModel(const Package& package, QObject* parent);

    RecordKind kind() const { return kind_; }
    // Shows the records of `kind` afresh.
    void showKind(RecordKind kind);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // The commands change the package between these calls.
    void beginInsert(int row) { beginInsertRows(QModelIndex(), row, row); }
    void endInsert() { endInsertRows(); }
    void beginRemove(int row) { beginRemoveRows(QModelIndex(), row, row); }
    void endRemove() { endRemoveRows(); }
    void beginReplaceAll() { beginResetModel(); }
    void endReplaceAll() { endResetModel(); }
    // The record at `row` changed in place.
    void rowChanged(int row);

private:
    const Package& package_;
    RecordKind kind_ = RecordKind::Versions;
};

}  // namespace orv

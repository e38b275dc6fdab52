#include "app/qt/record_list_model.h"

#include "app/summaries.h"
#include "dialogs/qt/gui_text.h"

namespace orv {

RecordListModel::RecordListModel(const Package& package, QObject* parent)
    : QAbstractListModel(parent), package_(package) {}

void RecordListModel::showKind(RecordKind kind) {
    beginResetModel();
    kind_ = kind;
    endResetModel();
}

int RecordListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return static_cast<int>(recordCount(package_, kind_));
}

QVariant RecordListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
    return toQString(rowLabel(package_, kind_, static_cast<uint32_t>(index.row())));
}

void RecordListModel::rowChanged(int row) {
    const QModelIndex i = index(row);
    emit dataChanged(i, i, {Qt::DisplayRole});
}

}  // namespace orv

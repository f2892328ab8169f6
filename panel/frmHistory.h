// "History": every board request as it was sent, newest last, with the
// action and where it came from, the request, its word and its status; and
// its export as CSV. Built when first opened; while shown it takes in new
// requests a few times a second, so a request itself pays nothing for it.
#ifndef FRMHISTORY_H
#define FRMHISTORY_H

#include <QAbstractTableModel>
#include <QDialog>
#include <QTimer>
#include <cstdint>

class QLabel;
class QTableView;
class RequestHistory;

// The history's records as table rows, following the history as it grows
// and as its oldest records make room.
class HistoryTable : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Time, Action, Origin, Request, Word, Status, Columns };

    explicit HistoryTable(const RequestHistory& history, QObject* parent = nullptr);
    // Takes in what the history gained and lost since the last look.
    void refresh();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    const RequestHistory& history_;
    // The rows shown: the records numbered seen_ - rows_ to seen_ - 1 of all
    // ever appended.
    std::uint64_t seen_ = 0;
    int rows_ = 0;
};

class frmHistory : public QDialog {
    Q_OBJECT
public:
    explicit frmHistory(RequestHistory& history, QWidget* parent = nullptr);
    HistoryTable& table() { return *table_; }
    // Writes the records kept as CSV; false, with a box, when it cannot.
    bool exportCsv(const QString& path);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void refresh();
    void cmdExport_Click();

    RequestHistory& history_;
    HistoryTable* table_;
    QTableView* view_;
    QLabel* count_;
    QTimer poll_;
};

#endif

#include "frmHistory.h"

#include "DialogSeam.h"
#include "model/RequestHistory.h"

#include <QDateTime>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

namespace {
// New requests appear this often while the window is shown.
constexpr int PollMs = 250;
} // namespace

HistoryTable::HistoryTable(const RequestHistory& history, QObject* parent)
    : QAbstractTableModel(parent), history_(history) {
    refresh();
}

void HistoryTable::refresh() {
    const std::uint64_t appended = history_.appended();
    const int kept = static_cast<int>(history_.size());
    if (appended < seen_ || appended - seen_ > std::uint64_t(kept)) {
        // Cleared, or every row shown has made room: start over.
        beginResetModel();
        seen_ = appended;
        rows_ = kept;
        endResetModel();
        return;
    }
    const int added = static_cast<int>(appended - seen_);
    const int dropped = rows_ + added - kept;
    if (dropped > 0) {
        beginRemoveRows(QModelIndex(), 0, dropped - 1);
        rows_ -= dropped;
        endRemoveRows();
    }
    if (added > 0) {
        beginInsertRows(QModelIndex(), rows_, rows_ + added - 1);
        rows_ += added;
        seen_ = appended;
        endInsertRows();
    }
}

int HistoryTable::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int HistoryTable::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Columns;
}

QVariant HistoryTable::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid())
        return QVariant();
    // Row r is record number seen_ - rows_ + r; where it is kept now.
    const std::uint64_t number = seen_ - std::uint64_t(rows_) + std::uint64_t(index.row());
    const std::uint64_t oldest = history_.appended() - history_.size();
    // Gone: fallen off the front, or cleared since the last look.
    if (number < oldest || number - oldest >= history_.size())
        return QVariant();
    const RequestHistory::Record& record = history_.at(std::size_t(number - oldest));
    switch (index.column()) {
    case Time:
        return QDateTime::fromMSecsSinceEpoch(record.msecs)
            .toString(QStringLiteral("HH:mm:ss.zzz"));
    case Action:
        return record.action;
    case Origin:
        return record.origin;
    case Request: {
        const QString what = RequestHistory::roleText(record);
        return RequestHistory::requestText(record) +
               (what.isEmpty() ? QString() : QLatin1Char(' ') + what);
    }
    case Word:
        return RequestHistory::wordText(record);
    case Status:
        return int(record.status);
    default:
        return QVariant();
    }
}

QVariant HistoryTable::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const Titles[Columns] = {"Time",    "Action", "From",
                                                "Request", "Word",   "Status"};
    return section >= 0 && section < Columns ? QString::fromLatin1(Titles[section]) : QVariant();
}

frmHistory::frmHistory(RequestHistory& history, QWidget* parent)
    : QDialog(parent), history_(history), table_(new HistoryTable(history, this)),
      view_(new QTableView(this)), count_(new QLabel(this)) {
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(QStringLiteral("History"));
    view_->setObjectName(QStringLiteral("grdHistory"));
    view_->setAccessibleName(QStringLiteral("Board requests"));
    view_->setModel(table_);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->verticalHeader()->hide();
    view_->horizontalHeader()->setStretchLastSection(true);
    view_->setMinimumSize(640, 320);
    // The request with its role ("231 warning off") fits its column.
    view_->setColumnWidth(
        HistoryTable::Request,
        view_->fontMetrics().horizontalAdvance(QStringLiteral("231 warning off")) + 16);
    auto* exportButton = new QPushButton(QStringLiteral("&Export CSV..."), this);
    exportButton->setObjectName(QStringLiteral("cmdExport"));
    connect(exportButton, &QPushButton::clicked, this, &frmHistory::cmdExport_Click);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(count_, 1);
    buttons->addWidget(exportButton);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view_);
    layout->addLayout(buttons);
    poll_.setInterval(PollMs);
    connect(&poll_, &QTimer::timeout, this, &frmHistory::refresh);
    refresh();
}

void frmHistory::showEvent(QShowEvent* event) {
    refresh();
    poll_.start();
    QDialog::showEvent(event);
}

void frmHistory::hideEvent(QHideEvent* event) {
    poll_.stop();
    QDialog::hideEvent(event);
}

void frmHistory::refresh() {
    QScrollBar* bar = view_->verticalScrollBar();
    // Follows the newest requests unless the person scrolled back.
    const bool atEnd = bar->value() == bar->maximum();
    table_->refresh();
    if (atEnd)
        view_->scrollToBottom();
    count_->setText(QStringLiteral("%1 requests (the last %2 are kept)")
                        .arg(history_.appended())
                        .arg(RequestHistory::Capacity));
}

void frmHistory::cmdExport_Click() {
    QFileDialog dialog(this, QStringLiteral("Export History"), QString(),
                       QStringLiteral("CSV files (*.csv)"));
    dialog.setObjectName(QStringLiteral("dlgExport"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.selectFile(QStringLiteral("qv7310-history.csv"));
    if (DialogSeam::exec(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    exportCsv(dialog.selectedFiles().constFirst());
}

bool frmHistory::exportCsv(const QString& path) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        history_.writeCsv(file);
        if (file.commit())
            return true;
    }
    DialogSeam::message(this, QMessageBox::Warning, QStringLiteral("Export History"),
                        QStringLiteral("The history could not be written to %1: %2")
                            .arg(QDir::toNativeSeparators(path), file.errorString()));
    return false;
}

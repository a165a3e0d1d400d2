#include "ui/frmproperties.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QStyle>

#include "view/layout.h"

namespace kv {

frmProperties::frmProperties(QWidget* parent) : QWidget(parent) {
  setObjectName("frmProperties");
  setWindowTitle("Properties");
  lblSelType = new QLabel("Type: ", this);
  lblSelType->setObjectName("lblSelType");
  // Label, value and a narrow third column that only pads the rows.
  grd_Props = new QTableWidget(0, 3, this);
  grd_Props->setObjectName("grd_Props");
  grd_Props->setHorizontalHeaderLabels({"Property", "Value", ""});
  grd_Props->horizontalHeader()->setStretchLastSection(false);
  grd_Props->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grd_Props->verticalHeader()->hide();
  grd_Props->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  grd_Props->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grd_Props->setSelectionBehavior(QAbstractItemView::SelectRows);
  grd_Props->setSelectionMode(QAbstractItemView::SingleSelection);
  txt_Value = new QComboBox(this);
  txt_Value->setObjectName("txt_Value");
  txt_Value->setEditable(true);
  txt_Value->setInsertPolicy(QComboBox::NoInsert);
  // No completion from the choice list, which stays after a "Tx Type" row:
  // a "1" typed for a height must not become "16 - Animated Texture".
  txt_Value->setCompleter(nullptr);
  cmd_PropOK = new QPushButton("OK", this);
  cmd_PropOK->setObjectName("cmd_PropOK");
  cmd_PropCancel = new QPushButton("Cancel", this);
  cmd_PropCancel->setObjectName("cmd_PropCancel");

  connect(grd_Props, &QTableWidget::cellClicked, this, [this](int row, int) {
    if (!logic_) return;
    logic_->grd_Props_Click(row + 1);
    txt_Value->clear();
    for (const std::string& c : logic_->choices) txt_Value->addItem(QString::fromStdString(c));
    // The list opens wide enough for its longest entry ("16 - Animated Texture").
    QAbstractItemView* list = txt_Value->view();
    list->setMinimumWidth(list->sizeHintForColumn(0) + 2 * list->frameWidth() +
                          list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list));
    txt_Value->setEditText(QString::fromStdString(logic_->editorText));
    focusValue();
  });
  connect(cmd_PropOK, &QPushButton::clicked, this, [this] {
    if (!logic_) return;
    logic_->editorText = txt_Value->currentText().toStdString();
    const int r = logic_->currentRow;
    logic_->cmd_PropOK_Click();
    if (r >= 1 && r <= static_cast<int>(logic_->rows.size()))
      grd_Props->item(r - 1, 1)->setText(QString::fromStdString(logic_->rows[r - 1].value));
    if (txt_Value->lineEdit()) txt_Value->lineEdit()->selectAll();
  });
  // Enter in the value box does what OK does, Escape what Cancel does.
  connect(txt_Value->lineEdit(), &QLineEdit::returnPressed, cmd_PropOK, &QPushButton::click);
  txt_Value->installEventFilter(this);
  txt_Value->lineEdit()->installEventFilter(this);
  connect(cmd_PropCancel, &QPushButton::clicked, this, [this] {
    if (!logic_) return;
    logic_->cmd_PropCancel_Click();
    txt_Value->setEditText(QString::fromStdString(logic_->editorText));
  });
}

frmProperties::~frmProperties() = default;

void frmProperties::attachMap(clsMap& map, Dialogs* dialogs) {
  logic_ = std::make_unique<PropertiesLogic>(map);
  logic_->dialogs = dialogs;
}

void frmProperties::showProps(int type, Long index) {
  if (!logic_) return;
  logic_->showProps(type, index);
  show_();
}

void frmProperties::show_() {
  lblSelType->setText(QString::fromStdString(logic_->selTypeLabel()));
  grd_Props->setRowCount(0);
  grd_Props->setRowCount(static_cast<int>(logic_->rows.size()));
  for (int r = 0; r < static_cast<int>(logic_->rows.size()); ++r) {
    auto* label = new QTableWidgetItem(QString::fromStdString(logic_->rows[r].label));
    label->setToolTip(label->text());
    grd_Props->setItem(r, 0, label);
    grd_Props->setItem(r, 1, new QTableWidgetItem(QString::fromStdString(logic_->rows[r].value)));
  }
  if (logic_->currentRow >= 1) grd_Props->selectRow(logic_->currentRow - 1);
  txt_Value->setEditText(QString::fromStdString(logic_->editorText));
  if (txt_Value->lineEdit()) txt_Value->lineEdit()->selectAll();
}

void frmProperties::focusValue() {
  txt_Value->setFocus(Qt::OtherFocusReason);
  if (txt_Value->lineEdit()) txt_Value->lineEdit()->selectAll();
}

bool frmProperties::eventFilter(QObject* watched, QEvent* e) {
  if ((watched == txt_Value || watched == txt_Value->lineEdit()) && e->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
    cmd_PropCancel->click();
    return true;
  }
  return QWidget::eventFilter(watched, e);
}

int frmProperties::readableWidth() const {
  // Label and value column each take half of the grid less 400 twips, and
  // the grid is the inner width less 100 twips: the longest label with its
  // cell margins (or the header "Property" with the header's) sets the half.
  QStyle* st = grd_Props->style();
  const QFontMetrics cells(grd_Props->font()), header(grd_Props->horizontalHeader()->font());
  const int cellMargin = 2 * (st->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grd_Props) + 1);
  int column = header.horizontalAdvance("Property") + 2 * st->pixelMetric(QStyle::PM_HeaderMargin, nullptr, grd_Props);
  for (const std::string& l : propertyLabels())
    column = std::max(column, cells.horizontalAdvance(QString::fromStdString(l)) + cellMargin);
  column += 2 * grd_Props->frameWidth() + 2;  // the grid's frame, and a little air
  QScreen* sc = screen();
  const double tpp = twipsPerPixel(sc ? sc->logicalDotsPerInchX() : 96.0);
  return static_cast<int>(twipsToPixels(2 * pixelsToTwips(column, tpp) + 500, tpp));
}

void frmProperties::resizeEvent(QResizeEvent*) {
  // The grid takes the inner width less 100 twips and the inner height less
  // 1200; label and value column each get half of its width less 400, the
  // third column 300. The value box and the buttons sit below the grid.
  QScreen* sc = screen();
  const double tpp = twipsPerPixel(sc ? sc->logicalDotsPerInchX() : 96.0);
  auto px = [tpp](double twips) { return static_cast<int>(twipsToPixels(twips, tpp)); };
  const double w = pixelsToTwips(width(), tpp), h = pixelsToTwips(height(), tpp);
  const int top = 22;
  const int gw = std::max(px(w - 100), 60), gh = std::max(px(h - 1200), 40);
  const int left = std::max((width() - gw) / 2, 0);
  lblSelType->setGeometry(left, 2, gw, top - 4);
  grd_Props->setGeometry(left, top, gw, std::max(gh - top, 20));
  const int col = std::max(px((w - 100 - 400) / 2), 20);
  grd_Props->setColumnWidth(0, col);
  grd_Props->setColumnWidth(1, col);
  grd_Props->setColumnWidth(2, px(300));
  const int below = top + std::max(gh - top, 20) + 4;
  txt_Value->setGeometry(left, below, gw, 24);
  cmd_PropOK->setGeometry(left, below + 28, gw / 2 - 2, 26);
  cmd_PropCancel->setGeometry(left + gw / 2 + 2, below + 28, gw / 2 - 2, 26);
}

}  // namespace kv

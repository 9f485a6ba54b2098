// Small components for the language tests, publishing the component
// library's property names the way the framework's forms and controls do:
// a form class chain (base, middle, concrete), a combo box with a real
// Style enumeration, a collection of columns, a data module, and a control
// that converts its own texts.
#pragma once

#include "language/CodeConverter.h"
#include "language/LangComponents.h"

#include <QComboBox>
#include <QFont>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QWidget>

namespace vantor::test {

class TLangTestBase : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
  Q_PROPERTY(QString ButtonHint READ ButtonHint WRITE SetButtonHint)
  Q_PROPERTY(int Color READ Color WRITE SetColor)

public:
  explicit TLangTestBase(QWidget* parent = nullptr) : QWidget(parent) {}
  QString Caption() const { return windowTitle(); }
  void SetCaption(const QString& text) { setWindowTitle(text); }
  QString Hint() const { return hint_; }
  void SetHint(const QString& text) { hint_ = text; }
  QString ButtonHint() const { return buttonHint_; }
  void SetButtonHint(const QString& text) { buttonHint_ = text; }
  int Color() const { return color_; }
  void SetColor(int color) { color_ = color; }

private:
  QString hint_;
  QString buttonHint_;
  int color_ = 0;
};

class TLangTestMiddle : public TLangTestBase {
  Q_OBJECT

public:
  using TLangTestBase::TLangTestBase;
};

class TfrmLangSample : public TLangTestMiddle {
  Q_OBJECT

public:
  using TLangTestMiddle::TLangTestMiddle;
};

// A combo box of the framework's kind: its style is a published enumeration.
class TLangStyledCombo : public QComboBox {
  Q_OBJECT
  Q_PROPERTY(TComboBoxStyle Style READ Style WRITE SetStyle)
  Q_PROPERTY(QFont Font READ font WRITE setFont)

public:
  enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
  Q_ENUM(TComboBoxStyle)

  explicit TLangStyledCombo(QWidget* parent = nullptr) : QComboBox(parent) {}
  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle style) { style_ = style; }

private:
  TComboBoxStyle style_ = csDropDown;
};

// Combo boxes as the component library has them: replacing the item list
// loses the selection, which is why their readers keep it.
class TLangItemsBase : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QStringList Items READ Items WRITE SetItems)
  Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex)

public:
  using QWidget::QWidget;
  QStringList Items() const { return items_; }
  void SetItems(const QStringList& items) {
    items_ = items;
    itemIndex_ = -1;
  }
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index) { itemIndex_ = index; }

private:
  QStringList items_;
  int itemIndex_ = -1;
};

class TCustomComboBox : public TLangItemsBase {
  Q_OBJECT

public:
  using TLangItemsBase::TLangItemsBase;
};

class TwwDBCustomComboBox : public TCustomComboBox {
  Q_OBJECT

public:
  using TCustomComboBox::TCustomComboBox;
};

// The same behaviour under a name no combo reader knows.
class TLangItemsOwner : public TLangItemsBase {
  Q_OBJECT

public:
  using TLangItemsBase::TLangItemsBase;
};

class TLangColumn : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString Caption MEMBER Caption)
  Q_PROPERTY(QString Text MEMBER Text)
  Q_PROPERTY(int Width MEMBER Width)

public:
  using QObject::QObject;
  QString Caption;
  QString Text;
  int Width = 64;
};

class TLangColumns : public QObject, public ILangCollection {
  Q_OBJECT
  Q_INTERFACES(vantor::ILangCollection)

public:
  TLangColumns(int count, QObject* parent) : QObject(parent) {
    for (int i = 0; i < count; ++i)
      items_.append(new TLangColumn(this));
  }
  int LangItemCount() const override { return int(items_.size()); }
  QObject* LangItem(int index) const override { return items_.value(index); }
  TLangColumn* Column(int index) const { return items_.value(index); }

private:
  QList<TLangColumn*> items_;
};

// A grid with a column collection and a status bar with panels, as the
// framework publishes them.
class TLangGrid : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QObject* Columns READ Columns)
  Q_PROPERTY(QObject* Panels READ Panels)
  Q_PROPERTY(QFont TitleFont MEMBER titleFont_)

public:
  explicit TLangGrid(QWidget* parent = nullptr)
      : QWidget(parent), columns_(new TLangColumns(2, this)), panels_(new TLangColumns(2, this)) {}
  QObject* Columns() const { return columns_; }
  QObject* Panels() const { return panels_; }
  TLangColumns* ColumnList() const { return columns_; }
  TLangColumns* PanelList() const { return panels_; }
  QFont TitleFont() const { return titleFont_; }

private:
  TLangColumns* columns_;
  TLangColumns* panels_;
  QFont titleFont_;
};

class TdmLangSample : public QObject {
  Q_OBJECT
  Q_CLASSINFO("ComponentKind", "DataModule")
  Q_PROPERTY(QString Caption MEMBER Caption)

public:
  using QObject::QObject;
  QString Caption;
};

// A control whose texts only it can reach (as a selection panel's lines).
class TLangSelfConverting : public QWidget, public ICodeConvertible {
  Q_OBJECT

public:
  using QWidget::QWidget;
  QStringList Lines;
  int Direction = 0;
  bool Deep = false;
  void ConvertTexts(const TCodeConverter& converter, int direction, bool deep) override {
    Direction = direction;
    Deep = deep;
    for (QString& line : Lines)
      line = converter.ConvertText(direction, line);
  }
};

}  // namespace vantor::test

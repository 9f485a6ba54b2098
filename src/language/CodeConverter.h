// TCodeConverter: the component every framework form owns to bring texts
// between the program's own script (simplified Chinese, code page 936), the
// database's and the interface's. It reads the code pages and the two
// conversion modes from the configuration, converts values (single texts,
// arrays, matrices), converts a whole form's component texts, sets the
// fonts the interface code page needs and shows message boxes in them.
//
// Directions: 1 = BIG5 to GB (traditional to simplified), 2 = GB to BIG5;
// anything else converts nothing.
// UIConvertMode: 0 nothing to convert; 2 BIG5 interface (program texts go
// GB to BIG5, fonts use the BIG5 character set); 4 GB interface on a BIG5
// system (texts stay, fonts use GB, window captions are converted for the
// system). DBConvertMode: 0 none; 1 database BIG5, interface GB; 2 database
// GB, interface BIG5.
//
// All text conversion goes through the converter library (TTranslator),
// which is loaded only when UIConvertMode is not 0; without it values and
// forms stay as they are.
#pragma once

#include "language/TranslatorU.h"
#include "platform/ui/DialogHost.h"
#include "support/VantorINI.h"

#include <QFont>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

class QWidget;

namespace vantor {

class TCodeConverter;

// A control whose texts the converter cannot reach through its published
// properties (selection panel, data-aware navigator, aligned string grid,
// ...) converts them itself when its form is converted.
class ICodeConvertible {
public:
  virtual ~ICodeConvertible() = default;
  // direction is 1 or 2; deep as ConvertForm was asked (cells, nodes).
  virtual void ConvertTexts(const TCodeConverter& converter, int direction, bool deep) = 0;
};

class TCodeConverter : public QObject {
  Q_OBJECT
  Q_PROPERTY(int DesignType READ DesignTypeValue)

public:
  // Reads the configuration of the design type; raises when a conversion
  // is wanted and the converter library cannot be loaded (see TTranslator).
  explicit TCodeConverter(QObject* owner = nullptr, TDesignType designType = dtClient);
  ~TCodeConverter() override;

  void LoadCodePages();

  TDesignType DesignType() const { return designType_; }
  const QString& SystemCodePage() const { return systemCodePage_; }
  const QString& UICodePage() const { return uiCodePage_; }
  const QString& DBCodePage() const { return dbCodePage_; }
  quint8 UIConvertMode() const { return uiConvertMode_; }
  quint8 DBConvertMode() const { return dbConvertMode_; }
  bool HasTranslator() const { return translator_ != nullptr; }

  // A copy of the value; with a translator, a direction of 1 or 2 and a
  // value that is neither Unassigned nor Null: a single value is converted
  // as text (and becomes a string), arrays element by element (nested ones
  // too), matrices cell by cell. Unassigned and Null inside arrays stay.
  QVariant ConvertVariant(int direction, const QVariant& value) const;
  QVariant DBToUI(const QVariant& value) const;
  QVariant UIToDB(const QVariant& value) const;        // errors: value unchanged
  QVariant ProgramToUI(const QVariant& value) const;
  QVariant UIToProgram(const QVariant& value) const;   // errors: value unchanged

  QString BIG5ToGB(const QString& text) const;
  QString GBToBIG5(const QString& text) const;
  // Direction 1 or 2 through the translator; anything else unchanged.
  QString ConvertText(int direction, const QString& text) const;

  // Modes 0, 1 and 4: "SimSun" with the GB2312 character set; modes 2 and 3:
  // "SimSun" with BIG5; other modes leave the font alone.
  static void ApplyFontCharset(int mode, QFont& font);
  // The character set ApplyFontCharset gives for the mode (DEFAULT_CHARSET
  // when it leaves the font alone).
  static int CharsetOfMode(int mode);

  // Converts the form's caption, hints and every component's texts, fonts
  // and styles for the interface code page. exclusionFlag non-empty applies
  // the exclusion entries ("name" + char 3 + property names).
  void ConvertForm(QWidget* form, const QString& exclusionFlag, bool deep);
  // Takes the exclusion entries from the list (texts in the entry form, or
  // arrays [name, property, ...]), then ConvertForm with flag "DO".
  void ConvertFormExcept(QWidget* form, const QVariant& exclusions, bool deep);
  const QStringList& ExclusionEntries() const { return exclusions_; }

  // The application's menu and hint fonts for the interface code page.
  void ApplyScreenFonts() const;

  // A message box in the interface's font with the owner form's caption.
  TModalResult ShowConvertedMessage(const QString& text, TMsgDlgType dlgType, TMsgDlgButtons buttons);

private:
  int DesignTypeValue() const { return int(designType_); }
  void ConvertComponent(QObject* component, const QString* entry, bool deep);
  void ConvertByClass(QObject* component, bool deep);
  void ConvertStrings(QObject* component, const QString& name, int direction);
  QWidget* OwnerForm() const;

  std::unique_ptr<TTranslator> translator_;
  TDesignType designType_;
  QString systemCodePage_ = QStringLiteral("936");
  QString uiCodePage_ = QStringLiteral("936");
  QString dbCodePage_ = QStringLiteral("936");
  quint8 uiConvertMode_ = 0;
  quint8 dbConvertMode_ = 0;
  QStringList exclusions_;
};

}  // namespace vantor

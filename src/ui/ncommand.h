#pragma once
// A push button drawn from an "up" and a "down" picture with its caption centred on top.
#include <QColor>
#include <QWidget>

class QDialog;
class QHBoxLayout;
class QVBoxLayout;

namespace kpr {

class Ncommand : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
    Q_PROPERTY(QColor DnColor READ dnColor WRITE setDnColor)
    Q_PROPERTY(QColor UpColor READ upColor WRITE setUpColor)

  public:
    explicit Ncommand(QWidget* parent = nullptr);

    QString caption() const { return caption_; }
    void setCaption(const QString& c);
    QColor dnColor() const { return dnColor_; }
    void setDnColor(const QColor& c) { dnColor_ = c; }
    QColor upColor() const { return upColor_; }
    void setUpColor(const QColor& c);
    bool isDown() const { return down_; }
    // The caption's current colour: UpColor at rest, DnColor while pressed, grey when disabled.
    QColor captionColour() const;
    // Top-left corner of the centred caption.
    QPoint captionOrigin() const;

    QSize sizeHint() const override;

  signals:
    void Click();

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void changeEvent(QEvent*) override;

  private:
    QString caption_ = QStringLiteral("Ncommand");
    QColor dnColor_ = Qt::black;
    QColor upColor_ = Qt::white;
    bool down_ = false;
};

// The fixed-size close button (255 x 270 twips).
class CloseButton : public QWidget {
    Q_OBJECT

  public:
    explicit CloseButton(QWidget* parent = nullptr);
    bool isDown() const { return down_; }

  signals:
    void Click();

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

  private:
    bool down_ = false;
};

// Adds the right-aligned "OK" button (cmdOK) that accepts the dialog as the last row of its
// layout; the dialogs all close the same way.
Ncommand* addOkRow(QDialog* dialog, QVBoxLayout* layout);
// Finishes a dialog's title row: the close button (Close1, accepts the dialog) at its right,
// then the row onto the dialog's layout.
CloseButton* addTitleRow(QDialog* dialog, QHBoxLayout* head, QVBoxLayout* layout);

} // namespace kpr

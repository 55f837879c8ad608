#pragma once

#include <QString>
#include <QWidget>

// The sizes of a key cap, in points.
struct KeyCapSize {
    double fontSize = 15;
    double minWidth = 28;
    double height = 28;

    static constexpr KeyCapSize standard() { return {}; }
    // The large keys of the guide's last step (always emphasized).
    static constexpr KeyCapSize large() { return {19, 38, 38}; }
    // The small keys of the popup's key table (never emphasized).
    static constexpr KeyCapSize small() { return {13, 30, 26}; }
};

// A drawn keyboard key: its label on a rounded key top. A label wider than the minimum width
// widens the key; the key keeps its natural size in layouts.
class KeyCap : public QWidget {
    Q_OBJECT
public:
    KeyCap(const QString &label, bool emphasized, KeyCapSize size = {}, QWidget *parent = nullptr);

    QString label() const { return m_label; }
    void setLabel(const QString &label);
    // Emphasized: accent label and border on an opaque key top.
    bool isEmphasized() const { return m_emphasized; }
    void setEmphasized(bool emphasized);
    KeyCapSize keySize() const { return m_size; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_label;
    bool m_emphasized;
    KeyCapSize m_size;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>

class QLabel;
class QLineEdit;

namespace tobrisk {

// An IPv4 address field: four boxes of one octet each. '.' moves to the next box, so an
// address is typed as it is written. A field whose four boxes are all empty is blank, which
// is not the same as 0.0.0.0. Owned by its dialog; user-interface thread.
class IpAddressEdit : public QWidget {
    Q_OBJECT
public:
    explicit IpAddressEdit(QWidget* parent = nullptr);

    // True when every box is empty.
    bool IsBlank() const;
    // The address, first octet most significant; empty boxes count as 0.
    uint32_t Address() const;
    void SetAddress(uint32_t address);
    void Clear();
    void SetReadOnly(bool readOnly);
    // Makes the field the label's buddy and names the field and its boxes after the label,
    // so that screen readers and automation find it by the caption the user sees.
    void SetLabel(QLabel* label);
    // Puts the focus in the first box with its text selected.
    void FocusFirstPart();
    QLineEdit* Part(int index) const { return parts_[size_t(index)]; }

signals:
    void edited();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int IndexOf(const QObject* part) const;
    void FocusPart(int index, bool atStart);

    std::array<QLineEdit*, 4> parts_{};
};

} // namespace tobrisk

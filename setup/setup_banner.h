#pragma once
// The picture down the left side of the installer's pages.
#include <QWidget>

namespace zlm::setup {

class SetupBanner final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SetupBanner)
public:
    explicit SetupBanner(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace zlm::setup

// PagePane: shows one page of a reader view, drawn by the page renderer and enlarged crisply, and turns the
// pages: Page Down, Space, the right and down arrows go one page on; Page Up, the left and up arrows one
// back; Home and End to the first and the last page. Clicking a reference on the page (a link's or a
// footnote's text, a sidebar icon) reports it; the pointer becomes a hand over one.
#pragma once

#include "app/page_renderer.h"

#include <QImage>
#include <QWidget>

#include <cstddef>
#include <vector>

namespace quillery {

class PagePane : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kFrame = 1; // a grey frame around the page

    explicit PagePane(QWidget* parent = nullptr);

    // Shows `view` (null: nothing) from its page `page`. The view and the art's text must outlive the pane's
    // use of them.
    void setView(ReaderView* view, PageArt art, size_t page = 0);
    ReaderView* view() const { return view_; }

    size_t page() const { return page_; }
    size_t pageCount() const;
    // Goes to `page`, kept within the view's pages.
    void setPage(size_t page);
    void turn(long pages);

    int scale() const { return scale_; }
    void setScale(int scale);

    // The current page at device size, and its references.
    const QImage& pageImage() const { return image_; }
    const std::vector<PageTarget>& targets() const { return targets_; }
    const std::vector<PageLine>& lines() const { return lines_; }
    // The reference under a point of the widget, or null.
    const PageTarget* targetAt(const QPoint& point) const;
    // Where a device pixel's top-left corner is in the widget.
    QPoint widgetPoint(const QPoint& devicePixel) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  Q_SIGNALS:
    void pageChanged(size_t page);
    void targetActivated(const quillery::PageTarget& target);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    void layOutPage();
    QPoint pageOrigin() const;

    ReaderView* view_ = nullptr;
    PageArt art_;
    size_t page_ = 0;
    int scale_ = kDefaultPreviewScale;
    std::vector<PageLine> lines_;
    std::vector<PageTarget> targets_;
    QImage image_;
};

} // namespace quillery

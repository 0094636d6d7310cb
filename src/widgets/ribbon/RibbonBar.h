#pragma once

#include <QString>
#include <QWidget>

class QStackedWidget;
class QTabBar;
class RibbonCategory;

// The ribbon: a row of category tabs above the page of the current category.
class RibbonBar : public QWidget {
    Q_OBJECT

public:
    explicit RibbonBar(QWidget* parent = nullptr);

    // Appends a category page with a tab titled `title`; the bar owns it.
    RibbonCategory* addCategoryPage(const QString& title);

    int categoryCount() const;
    RibbonCategory* category(int index) const;

    int currentIndex() const;
    void setCurrentIndex(int index);

signals:
    void currentChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void onTabChanged(int index);

    QTabBar* m_tabs;
    QStackedWidget* m_pages;
};

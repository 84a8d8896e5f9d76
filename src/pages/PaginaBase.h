#pragma once

#include <QWidget>

class QHBoxLayout;
class QLabel;
class QPushButton;
class QVBoxLayout;

// Frame shared by the board and peripheral pages: an optional bold title bar at the top,
// the page's own content in the middle, a button bar at the bottom.
class PaginaBase : public QWidget
{
    Q_OBJECT
public:
    PaginaBase(const QString &nomeFoglio, QWidget *parent = nullptr);

protected:
    void aggiungiTitolo(const QString &nome, const QString &titolo);
    QWidget *contenuto() const { return m_contenuto; }
    QPushButton *aggiungiPulsante(const QString &nome, const QString &testo);
    // Separates the page's own buttons from the navigation buttons at the right.
    void aggiungiSpaziatura();

private:
    QVBoxLayout *m_layout = nullptr;
    QWidget *m_contenuto = nullptr;
    QHBoxLayout *m_pulsanti = nullptr;
};

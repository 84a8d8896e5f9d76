#pragma once

#include <QWidget>

#include <array>

class Cerchio;
class EtichettaCliccabile;
class ImmagineStirata;

// Page 0: the picture and the four entries to the board pages.
class PaginaHome : public QWidget
{
    Q_OBJECT
public:
    // The entries, in the order of the board pages they open (1..4).
    enum Voce { UD, ID, UA, IA };

    explicit PaginaHome(QWidget *parent = nullptr);

signals:
    void immagineCliccata();
    // The operator chose an entry, by its label or by its circle.
    void voceScelta(PaginaHome::Voce voce);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void posizionaVoci();

    ImmagineStirata *m_immagine = nullptr;
    std::array<Cerchio *, 4> m_cerchi{};
    std::array<EtichettaCliccabile *, 4> m_etichette{};
};

#pragma once

#include <QObject>

#include <array>

class Framer;
class Seriale;

// The seven reply framers on the serial port, one per page, attached in this order, which is
// also the order in which they get to examine received data.
class FramerPagine : public QObject
{
    Q_OBJECT
public:
    enum Indice { UD, ID, UA, IA, UDP, IDP, UAP, Numero };

    explicit FramerPagine(Seriale &seriale, QObject *parent = nullptr);

    Framer *adpUD() const { return m_framer[UD]; }
    Framer *adpID() const { return m_framer[ID]; }
    Framer *adpUA() const { return m_framer[UA]; }
    Framer *adpUDP() const { return m_framer[UDP]; }
    Framer *adpIDP() const { return m_framer[IDP]; }
    Framer *adpUAP() const { return m_framer[UAP]; }
    Framer *adpIA() const { return m_framer[IA]; }
    Framer *framer(Indice indice) const { return m_framer.at(indice); }

    void disattivaTutti();

signals:
    // A reply handler failed: the standard error box is due.
    void errore(const QString &testo);
    // A reply was cut short or grew past the packet limit and was dropped.
    void rispostaIncompleta();

private:
    std::array<Framer *, Numero> m_framer{};
};

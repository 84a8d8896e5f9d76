#pragma once

#include <QObject>

class NavigazionePagine;
class QLabel;
class QWidget;
class RegistrazioneScheda;

// Marks the inputs in alarm on their page, in words and a sign over the point ("⚠ ALLARME"),
// not by colour alone; the mark follows the alarm as it is raised and cleared, and is put on
// a page when it comes on screen.
class SegniAllarme : public QObject
{
    Q_OBJECT
public:
    SegniAllarme(NavigazionePagine &navigazione, const RegistrazioneScheda &registrazione,
                 QObject *parent = nullptr);

    static inline const QString Testo = QStringLiteral("\u26A0 ALLARME");

    // Brings the marks of the page on screen up to date.
    void aggiorna();

private:
    static void segna(QWidget *punto, const QString &nome, bool attivo);

    NavigazionePagine &m_navigazione;
    const RegistrazioneScheda &m_registrazione;
};

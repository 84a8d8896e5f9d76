#include "link/DispositiviSeriali.h"
#include "Pty.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using Porte = QList<PortaRilevata>;
using Nomi = QList<NomeStabile>;
Q_DECLARE_METATYPE(Porte)
Q_DECLARE_METATYPE(Nomi)

class TestDispositiviSeriali : public QObject
{
    Q_OBJECT

private slots:
    void elenco_data()
    {
        QTest::addColumn<Porte>("porte");
        QTest::addColumn<Nomi>("nomi");
        QTest::addColumn<QStringList>("attesi"); // "path|description", in list order

        const PortaRilevata usb1{QStringLiteral("/dev/ttyUSB1"), QStringLiteral("FT232R USB UART"),
                                 QStringLiteral("FTDI")};
        const PortaRilevata usb0{QStringLiteral("/dev/ttyUSB0"), QStringLiteral("CP2102"),
                                 QStringLiteral("Silicon Labs")};
        const PortaRilevata acm{QStringLiteral("/dev/ttyACM0"), QStringLiteral("Arduino"),
                                QStringLiteral("Arduino")};
        const PortaRilevata s0{QStringLiteral("/dev/ttyS0"), {}, {}};

        QTest::newRow("solo porte di sistema, ordinate")
            << Porte{usb1, s0, usb0} << Nomi{}
            << QStringList{"/dev/ttyS0|", "/dev/ttyUSB0|CP2102 - Silicon Labs",
                           "/dev/ttyUSB1|FT232R USB UART - FTDI"};
        QTest::newRow("nomi stabili prima, con la descrizione della loro porta")
            << Porte{usb0, usb1}
            << Nomi{{"/dev/serial/by-id/usb-FTDI_FT232R-if00-port0", "/dev/ttyUSB1"},
                    {"/dev/serial/by-id/usb-Silicon_Labs_CP2102-if00-port0", "/dev/ttyUSB0"}}
            << QStringList{"/dev/serial/by-id/usb-FTDI_FT232R-if00-port0|"
                           "FT232R USB UART - FTDI (/dev/ttyUSB1)",
                           "/dev/serial/by-id/usb-Silicon_Labs_CP2102-if00-port0|"
                           "CP2102 - Silicon Labs (/dev/ttyUSB0)",
                           "/dev/ttyUSB0|CP2102 - Silicon Labs",
                           "/dev/ttyUSB1|FT232R USB UART - FTDI"};
        QTest::newRow("nome stabile di una porta sconosciuta")
            << Porte{s0} << Nomi{{"/dev/serial/by-id/usb-x", "/dev/ttyACM3"}}
            << QStringList{"/dev/serial/by-id/usb-x|/dev/ttyACM3", "/dev/ttyS0|"};
        // Many boards report the same text as description and maker.
        QTest::newRow("descrizione uguale al produttore")
            << Porte{acm} << Nomi{} << QStringList{"/dev/ttyACM0|Arduino"};
        QTest::newRow("nessun dispositivo") << Porte{} << Nomi{} << QStringList{};
    }

    void elenco()
    {
        QFETCH(Porte, porte);
        QFETCH(Nomi, nomi);
        QFETCH(QStringList, attesi);
        QStringList visti;
        for (const DispositivoSeriale &d : componiElenco(porte, nomi)) {
            visti << d.percorso + QLatin1Char('|') + d.descrizione;
        }
        QCOMPARE(visti, attesi);
    }

    void nomiStabiliDallaCartella()
    {
        // A by-id folder as udev makes it: links to devices; anything else is not a name.
        Pty pty;
        QVERIFY(pty.isValido());
        QTemporaryDir cartella;
        const QString link = cartella.filePath(QStringLiteral("usb-Brivola_Scheda-if00"));
        QVERIFY(QFile::link(pty.nome(), link));
        QFile altro(cartella.filePath(QStringLiteral("leggimi")));
        QVERIFY(altro.open(QIODevice::WriteOnly));
        altro.close();

        const QList<DispositivoSeriale> elenco = elencaDispositiviSeriali(cartella.path());
        QVERIFY(!elenco.isEmpty());
        QCOMPARE(elenco.first().percorso, link);
        QCOMPARE(elenco.first().descrizione, pty.nome());
        for (const DispositivoSeriale &d : elenco) {
            QVERIFY(!d.percorso.endsWith(QLatin1String("leggimi")));
        }
    }

    void motivo_data()
    {
        QTest::addColumn<int>("errore");
        QTest::addColumn<bool>("accessoNegato");
        QTest::addColumn<QString>("atteso");
        QTest::newRow("inesistente") << int(QSerialPort::DeviceNotFoundError) << false
                                     << "Il dispositivo /dev/ttyUSB0 non esiste";
        QTest::newRow("permesso negato") << int(QSerialPort::PermissionError) << true
                                         << "Permesso negato su /dev/ttyUSB0: aggiungere "
                                            "l'utente al gruppo dialout";
        QTest::newRow("occupato") << int(QSerialPort::PermissionError) << false
                                  << "Il dispositivo /dev/ttyUSB0 è già in uso";
        QTest::newRow("non seriale") << int(QSerialPort::UnsupportedOperationError) << false
                                     << "/dev/ttyUSB0 non è una porta seriale";
        QTest::newRow("altro, con il testo del sistema")
            << int(QSerialPort::ResourceError) << false
            << "Impossibile aprire /dev/ttyUSB0 (errore del sistema: Input/output error)";
    }

    void motivo()
    {
        QFETCH(int, errore);
        QFETCH(bool, accessoNegato);
        QFETCH(QString, atteso);
        const QString testo = motivoAperturaFallita(
            QStringLiteral("/dev/ttyUSB0"), QSerialPort::SerialPortError(errore),
            QStringLiteral("Input/output error"), accessoNegato);
        QVERIFY2(testo.startsWith(atteso), qPrintable(testo));
    }
};

QTEST_GUILESS_MAIN(TestDispositiviSeriali)
#include "tst_dispositiviSeriali.moc"

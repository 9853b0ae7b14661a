#pragma once

#include <QString>

class QCoreApplication;

namespace torxal {

// Message box styles and the button values the user can press, as the service's
// original desktop tool numbered them; the window and the command line map them.
inline constexpr int EstiloCritico = 16;    // critical icon, OK
inline constexpr int EstiloInformacion = 64; // information icon, OK
inline constexpr int EstiloPregunta = 68;    // information icon, Yes and No (Yes is the default)
inline constexpr int BotonAceptar = 1;
inline constexpr int BotonSi = 6;
inline constexpr int BotonNo = 7;

inline const QString TituloMensajes = QStringLiteral("Crear fichero proceso por lotes");

/// One message to the user. `detalle` holds the lines shown beneath the main text
/// (the system's reason for a failure, the record summary); it is empty for most messages.
struct Mensaje {
    QString texto;
    int estilo = EstiloInformacion;
    QString titulo;
    QString detalle;
};

/// The seam through which every message reaches the user: a modal message box in the
/// window, standard output and error on the command line, a script in the tests.
class Mensajero {
public:
    virtual ~Mensajero() = default;
    /// Shows the message and returns the button pressed (BotonAceptar, BotonSi, BotonNo).
    virtual int mostrar(const Mensaje &mensaje) = 0;
};

/// The window-level message values: each message overwrites the text, style and title
/// before it is shown and the pressed button after it.
class Mensajes {
public:
    explicit Mensajes(Mensajero &mensajero) : m_mensajero(&mensajero) {}

    /// Shows a message with the program's title and returns the pressed button.
    int MsgBox(const QString &texto, int estilo, const QString &detalle = {});

    const QString &texto() const { return m_texto; }
    int estilo() const { return m_estilo; }
    const QString &titulo() const { return m_titulo; }
    const QString &detalle() const { return m_detalle; }
    int boton() const { return m_boton; }

private:
    Mensajero *m_mensajero;
    QString m_texto;
    int m_estilo = 0;
    QString m_titulo;
    QString m_detalle;
    int m_boton = 0;
};

/// Loads Qt's own Spanish catalogue, so what Qt itself says (its dialogs, its reasons for a
/// failed file operation) is Spanish whatever the system's language. False when missing.
bool instalarCatalogoQt(QCoreApplication &aplicacion);

} // namespace torxal

// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "destino.h"

#include "sistema.h"
#include "temporales.h"

#include <QDir>
#include <QRandomGenerator>

#include <cerrno>

#include <windows.h>

namespace torxal {

namespace {

std::wstring nativa(const QString &ruta)
{
    return QDir::toNativeSeparators(ruta).toStdWString();
}

bool fallar(int *error)
{
    *error = ultimoErrorDelSistema();
    return false;
}

// A regular file, not a link to one: ReplaceFileW would follow a link, and a link at the
// target is replaced itself, never written through.
bool esFicheroNormal(const std::wstring &ruta)
{
    const DWORD atributos = ::GetFileAttributesW(ruta.c_str());
    return atributos != INVALID_FILE_ATTRIBUTES
        && !(atributos & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE));
}

class DestinoFichero final : public Destino {
public:
    explicit DestinoFichero(const QString &ruta)
    {
        qsizetype barra = ruta.size() - 1;
        while (barra >= 0 && !esSeparadorDeRuta(ruta.at(barra)))
            --barra;
        m_directorio = barra < 0 ? QStringLiteral(".\\") : QDir::toNativeSeparators(ruta.left(barra + 1));
        m_nombre = ruta.mid(barra + 1);
    }
    ~DestinoFichero() override
    {
        descartar();
        confirmar();
    }

    bool abrir(int *error) override
    {
        return ponerNombre(
            [this](const std::wstring &nombre) {
                m_fichero = ::CreateFileW(nombre.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
                return m_fichero != INVALID_HANDLE_VALUE;
            },
            &m_temporal, error);
    }

    bool escribir(const char *datos, qsizetype longitud, int *error) override
    {
        while (longitud > 0) {
            DWORD escritos = 0;
            const DWORD tramo = DWORD(std::min<qsizetype>(longitud, 1 << 30));
            if (!::WriteFile(m_fichero, datos, tramo, &escritos, nullptr))
                return fallar(error);
            datos += escritos;
            longitud -= qsizetype(escritos);
        }
        return true;
    }

    bool preparar(int *error) override
    {
        if (!::FlushFileBuffers(m_fichero))
            return fallar(error);
        return true;
    }

    bool colocar(const QString &ruta, bool reemplazar, int *error) override
    {
        // A file open for writing cannot be moved without sharing its deletion; the bytes
        // are on the disk already.
        cerrar();
        const std::wstring destino = nativa(ruta);
        if (reemplazar && esFicheroNormal(destino)) {
            // The replaced document keeps what its owner gave it: its permissions and attributes.
            if (!::ReplaceFileW(destino.c_str(), m_temporal.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                                nullptr, nullptr)) {
                // Gone meanwhile: then the name is simply taken.
                if (::GetLastError() != ERROR_FILE_NOT_FOUND)
                    return fallar(error);
                if (!::MoveFileExW(m_temporal.c_str(), destino.c_str(), MOVEFILE_WRITE_THROUGH))
                    return fallar(error);
            }
        } else if (!::MoveFileExW(m_temporal.c_str(), destino.c_str(),
                                  MOVEFILE_WRITE_THROUGH | (reemplazar ? MOVEFILE_REPLACE_EXISTING : 0))) {
            return fallar(error);
        }
        m_temporal.clear();
        m_registro.olvidar();
        m_colocada = destino;
        return true;
    }

    void descartar() override
    {
        cerrar();
        if (!m_temporal.empty()) {
            ::DeleteFileW(m_temporal.c_str());
            m_temporal.clear();
        }
        m_registro.olvidar();
    }

    bool apartarAnterior(const QString &ruta, int *error) override
    {
        const std::wstring anterior = nativa(ruta);
        if (::GetFileAttributesW(anterior.c_str()) == INVALID_FILE_ATTRIBUTES)
            return fallar(error);
        return ponerNombre(
            [&anterior](const std::wstring &nombre) {
                if (::CreateHardLinkW(nombre.c_str(), anterior.c_str(), nullptr))
                    return true;
                // FAT and some network shares have no second names: a copy keeps it as well.
                const DWORD fallo = ::GetLastError();
                if (fallo != ERROR_INVALID_FUNCTION && fallo != ERROR_NOT_SUPPORTED)
                    return false;
                return bool(::CopyFileW(anterior.c_str(), nombre.c_str(), TRUE));
            },
            &m_apartado, error);
    }

    void deshacer() override
    {
        if (m_colocada.empty())
            return;
        if (!m_apartado.empty()) {
            ::MoveFileExW(m_apartado.c_str(), m_colocada.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
            m_apartado.clear();
        } else {
            ::DeleteFileW(m_colocada.c_str());
        }
        m_colocada.clear();
    }

    void confirmar() override
    {
        if (!m_apartado.empty()) {
            ::DeleteFileW(m_apartado.c_str());
            m_apartado.clear();
        }
        m_colocada.clear();
    }

private:
    // A hidden random name beside the target that fits wherever the target's name does:
    // a name near the system's limit of 255 is shortened for its hidden copy.
    std::wstring nombreAlAzar() const
    {
        const QString azar = QString::number(QRandomGenerator::global()->generate64(), 36);
        QString nombre = m_nombre;
        const qsizetype cabe = 255 - 2 - azar.size();
        if (nombre.size() > cabe) {
            nombre.truncate(cabe);
            // Never half a surrogate pair.
            if (!nombre.isEmpty() && nombre.back().isHighSurrogate())
                nombre.chop(1);
        }
        return (m_directorio + u'.' + nombre + u'.' + azar).toStdWString();
    }

    // Gives something a hidden random name beside the target through `crear`; the name of
    // the temporary file is known to the console's handler before it exists.
    template<typename Crear>
    bool ponerNombre(Crear &&crear, std::wstring *nombre, int *error)
    {
        for (int intento = 0; intento < 100; ++intento) {
            const std::wstring candidato = nombreAlAzar();
            NombreTemporal *registro = nombre == &m_temporal ? &m_registro : nullptr;
            if (registro)
                registro->registrar(QString::fromStdWString(candidato).toUtf8());
            if (crear(candidato)) {
                *nombre = candidato;
                return true;
            }
            const int fallo = ultimoErrorDelSistema();
            if (registro)
                registro->olvidar();
            if (fallo != EEXIST) {
                *error = fallo;
                return false;
            }
        }
        *error = EEXIST;
        return false;
    }

    void cerrar()
    {
        if (m_fichero != INVALID_HANDLE_VALUE) {
            ::CloseHandle(m_fichero);
            m_fichero = INVALID_HANDLE_VALUE;
        }
    }

    QString m_directorio; // with its separator, as Windows spells it
    QString m_nombre;
    std::wstring m_temporal;
    std::wstring m_apartado;
    std::wstring m_colocada;
    NombreTemporal m_registro;
    HANDLE m_fichero = INVALID_HANDLE_VALUE;
};

} // namespace

std::unique_ptr<Destino> crearDestinoFichero(const QString &ruta)
{
    return std::make_unique<DestinoFichero>(ruta);
}

} // namespace torxal

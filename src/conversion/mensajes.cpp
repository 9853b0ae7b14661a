// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

// Every text and word of the engine, in its tables; redaccion.cpp words them for a run.

#include "mensajes.h"

#include "sistema.h"

#include <cerrno>

namespace torxal {

namespace {

using enum Estilo;
using enum Texto;
using enum Clase;

// The overwrite question and the texts about an existing or uncreatable output keep the
// words and styles users of the original tool know; the rest are this program's own.
constexpr Plantilla Tabla[] = {
    {FicheroObligatorio, Critico, DeCuadro, u"Es obligatorio un fichero de entrada"},
    {MismoFichero, Critico, DeCuadro, u"El fichero de entrada es el mismo que el de salida."},
    {PreguntaSobrescribir, Pregunta, DeCuadro, u"El fichero de salida ya existe. ¿Desea sobreescribirlo?"},
    {PreguntaSobrescribirUnaParte, Pregunta, DeCuadro, u"El fichero de salida %1 ya existe. ¿Desea sobreescribirlo?"},
    {PreguntaSobrescribirPartes, Pregunta, DeCuadro,
     u"Ya existen %1 de los ficheros de salida, el primero %2. ¿Desea sobreescribirlos?"},
    {EntradaVacia, Critico, DeCuadro, u"El fichero de entrada está vacío"},
    {YaExiste, Informacion, DeCuadro, u"El fichero %1 ya existe, no se continúa con el proceso."},
    {NoSeCrea, Critico, DeCuadro, u"No se puede crear el fichero %1."},
    {Creado, Informacion, DeCuadro, u"El fichero %1 se ha creado correctamente."},
    {CreadasPartes, Informacion, DeCuadro, u"Los ficheros %1 a %2 se han creado correctamente."},
    {NoAbreEntrada, Critico, DeCuadro, u"No se puede abrir el fichero de entrada %1."},
    {EntradaNoNormal, Critico, DeCuadro, u"El fichero de entrada %1 no es un fichero normal."},
    {EntradaSinCarpeta, Critico, DeCuadro,
     u"La lista %1 es la entrada estándar o un descriptor abierto y no tiene carpeta propia donde dejar su fichero "
     u"XML; guárdela antes en un fichero."},
    {NombreNoUtf8, Critico, DeCuadro,
     u"El nombre del fichero de entrada %1 no es texto UTF-8 válido (se guardó con otra codificación), así que no se "
     u"puede abrir por ese nombre; cámbiele el nombre."},
    {NoLeeEntrada, Critico, DeCuadro, u"No se puede leer el fichero de entrada %1."},
    {NoEscribeSalida, Critico, DeCuadro, u"No se puede escribir el fichero de salida %1."},
    {RegistroLargo, Critico, DeCuadro,
     u"El registro de la línea %1 del fichero de entrada %2 tiene más de %3 caracteres; no se continúa con el proceso."},
    {RegistroNoCabe, Critico, DeCuadro,
     u"El registro de la línea %1 del fichero de entrada %2 no cabe solo en una parte de %3 KB; no se continúa con el "
     u"proceso."},
    {CabeceraNoCabe, Critico, DeCuadro,
     u"El principio del documento de la lista %1 (la declaración, la raíz, FEC y FIN) no cabe solo en una parte de %2 "
     u"KB; no se continúa con el proceso."},
    {SalidaEsEnlace, Critico, DeCuadro, u"El fichero de salida %1 es un enlace simbólico; no se escribe a través de él."},
    {SalidaNoNormal, Critico, DeCuadro, u"El fichero de salida %1 existe y no es un fichero normal; no se sustituye."},
    {SalidaDeOtraLista, Critico, DeCuadro,
     u"El fichero de salida %1 ya es el de la lista %2 en esta misma orden; la lista %3 no se convierte."},
    {NoCreadoPorAvisos, Critico, DeCuadro, u"No se ha creado el fichero %1: la lista tiene %2 avisos."},
    {NoCreadoPorUnAviso, Critico, DeCuadro, u"No se ha creado el fichero %1: la lista tiene 1 aviso."},
    {NoSeEscribeInforme, Critico, DeCuadro, u"No se puede escribir el informe de avisos %1."},
    {InformeEsLaLista, Critico, DeCuadro, u"El informe de avisos %1 sería la propia lista o su fichero XML; no se escribe."},
    {InformeEsEnlace, Critico, DeCuadro,
     u"El informe de avisos %1 es un enlace simbólico; no se escribe a través de él."},
    {InformeNoNormal, Critico, DeCuadro,
     u"El informe de avisos %1 existe y no es un fichero normal; no se sustituye."},
    {AjusteNoValido, Critico, DeCuadro, u"El fichero de ajustes %1 tiene un valor no válido en %2: %3."},
    {AjustesIlegibles, Critico, DeCuadro, u"No se puede leer el fichero de ajustes %1."},
    {MotivoEsDirectorio, Critico, DeMotivo, u"Es un directorio, no un fichero."},
    {ResumenEscritos, Informacion, DeResumen, u"Registros escritos: %1."},
    {ResumenNoEscritos, Informacion, DeResumen, u"Registros que se habrían escrito: %1."},
    {ResumenOmitidos, Informacion, DeResumen, u"Registros omitidos por falta de un campo obligatorio: %1%2."},
    {ResumenConAvisos, Informacion, DeResumen, u"Registros con avisos: %1."},
    {ResumenAviso, Informacion, DeResumen, u"%1: %2%3."},
    {ResumenCompruebeTipo, Informacion, DeResumen, u"Compruebe el tipo de consulta elegido."},
    {ResumenPareceOtroTipo, Informacion, DeResumen, u"La lista parece de «%1»: compruebe el tipo de consulta elegido."},
    {ResumenLimite, Informacion, DeResumen, u"Tamaño máximo por fichero: %1."},
    {ResumenSinLimite, Informacion, DeResumen, u"Sin tamaño máximo por fichero."},
    {ResumenConvieneDividir, Informacion, DeResumen,
     u"El fichero ocupa %1 y el servicio admite unos %2 por fichero: conviene dividirlo en partes (tamano-maximo-kb "
     u"en los ajustes)."},
    {VeredictoRevise, Advertencia, DeResumen, u"Revise la lista antes de enviarla: %1."},
    {VeredictoConAvisos, Advertencia, DeResumen, u"%1 de %2 tienen avisos"},
    {VeredictoConAvisosUno, Advertencia, DeResumen, u"%1 de %2 tiene avisos"},
    {VeredictoOmitidos, Advertencia, DeResumen, u"%1 se han omitido"},
    {VeredictoOmitidosUno, Advertencia, DeResumen, u"%1 se ha omitido"},
    {VeredictoOmitidosDe, Advertencia, DeResumen, u"%1 de %2 se han omitido"},
    {VeredictoOmitidosDeUno, Advertencia, DeResumen, u"%1 de %2 se ha omitido"},
    {CuentaRegistros, Informacion, DeResumen, u"%1 registros"},
    {CuentaRegistroUno, Informacion, DeResumen, u"1 registro"},
    {Y, Informacion, DeResumen, u" y "},
    {PreguntaOtroTipo, PreguntaDudosa, DeCuadro,
     u"La lista no parece de «%1»: %2 de %3 tienen un identificador de otra forma o texto después de la última "
     u"columna%4. ¿Crear el fichero de todos modos?"},
    {PreguntaOtroTipoParece, PreguntaDudosa, DeCuadro, u"; parece de «%1»"},
    {PreguntaSinRegistros, PreguntaDudosa, DeCuadro,
     u"Ningún registro de la lista tiene %1, que «%2» exige: el fichero no tendría ningún registro. ¿Crear el "
     u"fichero de todos modos?"},
    {PreguntaDividir, PreguntaTresSalidas, DeCuadro,
     u"El fichero ocuparía %1; el servicio admite unos %2 por fichero. ¿Dividirlo en partes?"},
    {PreguntaRecordar, Pregunta, DeCuadro, u"¿Recordar esta elección para las próximas listas? Se guarda en %1."},
    {BotonDividir, Informacion, DeCuadro, u"Dividir en partes"},
    {BotonUnSoloFichero, Informacion, DeCuadro, u"Un solo fichero"},
    {BotonCancelar, Informacion, DeCuadro, u"Cancelar"},
    {NombreTipoNIF, Informacion, DeResumen, u"NIF-Apellidos y Nombre"},
    {NombreTipoRC, Informacion, DeResumen, u"Referencia Catastral"},
    {NombreTipoPP, Informacion, DeResumen, u"Polígono y parcela"},
    {ObligatoriosNIF, Informacion, DeResumen, u"NIF"},
    {ObligatoriosRC, Informacion, DeResumen, u"referencia catastral"},
    {ObligatoriosPP, Informacion, DeResumen, u"provincia, municipio y polígono"},
    {TamanoKB, Informacion, DeResumen, u"%1 KB"},
    {ProvinciaConNombre, Informacion, DeResumen, u"%1 (%2)"},
    {ProvinciaAlava, Informacion, DeResumen, u"Álava"},
    {ProvinciaGipuzkoa, Informacion, DeResumen, u"Gipuzkoa"},
    {ProvinciaNavarra, Informacion, DeResumen, u"Navarra"},
    {ProvinciaBizkaia, Informacion, DeResumen, u"Bizkaia"},
    {TamanoMB, Informacion, DeResumen, u"%1 MB"},
    {NoSeGuardanAjustes, Critico, DeCuadro, u"No se puede guardar la elección en el fichero de ajustes %1."},
    {ResumenPartes, Informacion, DeResumen, u"Partes: %1."},
    {ResumenParte, Informacion, DeResumen, u"%1 (%2 registros)"},
    {ResumenParteUnRegistro, Informacion, DeResumen, u"%1 (1 registro)"},
    {ResumenRestos, Informacion, DeResumen,
     u"Quedan de una ejecución anterior y no son de esta lista, no los envíe: %1."},
    {ResumenUtf16SinMarca, Informacion, DeResumen,
     u"La lista no empieza por una marca de orden de bytes y se ha leído como UTF-16 %1."},
    {LineasUna, Informacion, DeResumen, u" (línea %1)"},
    {LineasVarias, Informacion, DeResumen, u" (líneas %1)"},
    {LineasYMas, Informacion, DeResumen, u"%1 y %2 más"},
    {Separador, Informacion, DeResumen, u", "},
    {ControlDigitoOLetra, Informacion, DeResumen, u"%1 o %2"},
    {AjusteVacio, Critico, DeMotivo, u"está vacío"},
    {AjusteConEspacio, Critico, DeMotivo, u"contiene un espacio"},
    {AjusteConControl, Critico, DeMotivo, u"contiene un carácter de control (%1)"},
    {AjusteConBlanco, Critico, DeMotivo, u"contiene un espacio en blanco (%1)"},
    {AjusteConCaracter, Critico, DeMotivo, u"contiene «%1», que no se admite"},
    {AjusteNoXml, Critico, DeMotivo, u"contiene un carácter que XML no admite (%1)"},
    {AjusteNoAscii, Critico, DeMotivo,
     u"contiene «%1» (%2), que un URI no admite tal cual: escríbalo como %3"},
    {AjusteSinEsquema, Critico, DeMotivo, u"no empieza por un esquema seguido de dos puntos, como «urn:» o «http:»"},
    {AjusteEsquemaSinLetra, Critico, DeMotivo, u"el esquema «%1» no empieza por una letra de la a a la z"},
    {AjusteEsquemaCaracteres, Critico, DeMotivo,
     u"el esquema «%1» solo admite letras de la a a la z, cifras, «+», «-» y «.»"},
    {AjusteNadaTrasEsquema, Critico, DeMotivo, u"no tiene nada tras «%1»"},
    {AjusteUriNoValida, Critico, DeMotivo, u"no es un URI válido: «%1» no puede ir en la posición %2"},
    {AjustePorcentaje, Critico, DeMotivo,
     u"no es un URI válido: el «%» de la posición %1 no va seguido de dos cifras hexadecimales"},
    {AjusteCorcheteAbierto, Critico, DeMotivo,
     u"no es un URI válido: lo que va entre corchetes desde la posición %1 no es una dirección IP"},
    {AjusteFormatoFecha, Critico, DeMotivo, u"debe ser dd/MM/yyyy o yyyy-MM-dd"},
    {AjusteNoEsNumero, Critico, DeMotivo, u"debe ser un número entero de kilobytes escrito solo con cifras (0: sin límite)"},
    {AjusteDemasiadoGrande, Critico, DeMotivo, u"es demasiado grande: el máximo es %1"},
    {AjusteComentario, Critico, DeMotivo,
     u"contiene «%1» fuera de comillas, que en este fichero empieza un comentario: si es parte del valor, escriba el "
     u"valor entre comillas dobles; si es un comentario, póngalo en una línea aparte"},
    {AjusteEsLista, Critico, DeMotivo,
     u"contiene una coma fuera de comillas y se lee como una lista: escriba el valor entre comillas dobles"},
    {AjusteNoEsTexto, Critico, DeMotivo, u"no se lee como texto: un valor que empieza por «@» indica otro tipo de dato"},
    {AjustesSinFormatoIni, Critico, DeMotivo,
     u"no tiene el formato de un fichero INI; por ejemplo, una línea empieza por «[» y no cierra la sección con «]»"},
    {AjustesEsCarpeta, Critico, DeMotivo, u"es una carpeta, no un fichero"},
    {AjustesNoNormal, Critico, DeMotivo, u"no es un fichero normal (un dispositivo, una tubería o un socket); no se lee"},
    {AjustesDemasiadoGrandes, Critico, DeMotivo, u"ocupa más de %1 KB, y un fichero de ajustes ocupa mucho menos; no se lee"},
    {AjustesClaveDesconocida, Informacion, DeMotivo,
     u"El fichero de ajustes %1 tiene la clave desconocida «%2», que se pasa por alto."},
    // Lists given as tables. The pieces other texts are built from (a field's name, a cell's
    // value, a row's words) count as reasons: the help explains the texts they go in.
    {DelCampoNIF, Critico, DeMotivo, u"del NIF"},
    {DelCampoAPE, Critico, DeMotivo, u"de los apellidos y el nombre"},
    {DelCampoRC, Critico, DeMotivo, u"de la referencia catastral"},
    {DelCampoPRO, Critico, DeMotivo, u"de la provincia"},
    {DelCampoMUN, Critico, DeMotivo, u"del municipio"},
    {DelCampoPOL, Critico, DeMotivo, u"del polígono"},
    {DelCampoPAR, Critico, DeMotivo, u"de la parcela"},
    {CabeceraSinColumna, Critico, DeCuadro, u"No se encuentra la columna %1. La fila %2 tiene: %3."},
    {CabeceraNombresBuscados, Critico, DeMotivo, u"Nombres que se reconocen para esa columna: %1."},
    {CabeceraColumnaDosVeces, Critico, DeCuadro, u"La columna %1 está dos veces en la fila %2: %3 y %4."},
    {ColumnasNoSeEntiende, Critico, DeCuadro,
     u"No se entiende «%1» en las columnas indicadas: cada campo se escribe CAMPO=COLUMNA, separados por comas "
     u"(por ejemplo NIF=A,APE=C+D,PRO=E,MUN=F)."},
    {ColumnasCampoAjeno, Critico, DeCuadro, u"«%1» no es un campo de esta consulta; sus campos son %2."},
    {ColumnasColumnaNoValida, Critico, DeCuadro,
     u"«%1» no es una columna: escríbala con letras, como en la hoja (A, B, …, Z, AA…, hasta XFD), o con su "
     u"número contando desde 1 (hasta 16384)."},
    {ColumnasUnaSola, Critico, DeCuadro, u"El campo %1 toma una sola columna; solo APE puede unir varias con +."},
    {ColumnasCampoRepetido, Critico, DeCuadro, u"El campo %1 se indica dos veces."},
    {ColumnasColumnaRepetida, Critico, DeCuadro, u"La columna %1 se indica dos veces."},
    {ColumnasFaltaCampo, Critico, DeCuadro, u"Falta la columna %1 en las columnas indicadas."},
    {ResumenColumnas, Informacion, DeResumen, u"Columnas: %1."},
    {ResumenColumnasCampo, Informacion, DeMotivo, u"%1 = %2"},
    {ResumenColumnasNombres, Informacion, DeMotivo, u"%1 = %2 %3"},
    {NombreDeColumna, Informacion, DeMotivo, u"«%1»"},
    {CeldaDeFila, Informacion, DeMotivo, u"%1: %2"}, // a row's cell in the review: "B «DNI»", its text
    {CeldaVerdadero, Informacion, DeMotivo, u"VERDADERO"},
    {CeldaFalso, Informacion, DeMotivo, u"FALSO"},
    {TablaVacia, Critico, DeCuadro, u"La tabla está vacía: no tiene ninguna fila con datos."},
    {TablaNoSeLee, Critico, DeCuadro, u"No se puede leer la lista."},
    {RazonDeLectura, Critico, DeMotivo, u"%1"}, // the device's own reason, already in Spanish
    {CsvComillaAbierta, Critico, DeCuadro, u"Las comillas que se abren en la línea %1 no se cierran; no se continúa con el proceso."},
    {CsvFilaLarga, Critico, DeCuadro,
     u"La fila que empieza en la línea %1 tiene más de %2 caracteres; no se continúa con el proceso."},
    {CeldaLarga, Critico, DeCuadro,
     u"La celda %1 tiene más de %2 caracteres, más de los que admite una hoja de cálculo; no se continúa con el "
     u"proceso."},
    {ZipIlegible, Critico, DeCuadro,
     u"El fichero parece un archivo comprimido (ZIP), pero está dañado o incompleto; si es una hoja de cálculo, "
     u"vuelva a guardarla con su programa."},
    {ZipNoEsHoja, Critico, DeCuadro, u"El fichero es un archivo comprimido (ZIP), pero no un libro XLSX ni una hoja de cálculo ODS."},
    {ParteIlegible, Critico, DeCuadro, u"La hoja de cálculo está dañada o incompleta: no se puede leer %1."},
    {ParteXmlNoValido, Critico, DeCuadro, u"La hoja de cálculo está dañada: %1 no es XML válido (línea %2, columna %3)."},
    {ParteConDtd, Critico, DeCuadro,
     u"La hoja de cálculo lleva una declaración DTD o de entidades en %1, que no se admite; no se lee."},
    {ParteDemasiadoGrande, Critico, DeCuadro, u"La parte %1 de la hoja de cálculo pasa de %2 MB descomprimida; no se lee."},
    {ParteCompresionAnomala, Critico, DeCuadro,
     u"La parte %1 de la hoja de cálculo se descomprime a más de %2 veces su tamaño comprimido, como una bomba de "
     u"compresión; no se lee."},
    {TextosCompartidosExcesivos, Critico, DeCuadro,
     u"La tabla de textos compartidos de la hoja de cálculo pasa de %1 textos o de %2 caracteres; no se lee."},
    {TextoCompartidoInexistente, Critico, DeCuadro,
     u"La hoja de cálculo está dañada: la celda %1 remite a un texto compartido que no existe."},
    {LibroCifrado, Critico, DeCuadro,
     u"La hoja de cálculo está protegida con contraseña y no se puede leer. Ábrala con su programa, guárdela sin "
     u"contraseña y conviértala de nuevo."},
    {LibroXls, Critico, DeCuadro,
     u"Es un libro de Excel 97-2003 (.xls), un formato que no se lee. Ábralo con su programa de hojas de cálculo y "
     u"guárdelo como «Libro de Excel (.xlsx)» o como «Hoja de cálculo ODF (.ods)»; luego convierta ese fichero."},
    {CfbNoEsHoja, Critico, DeCuadro,
     u"Es un documento de Office en el formato binario antiguo, pero no un libro de Excel; no se puede leer como "
     u"lista."},
    {LibroSinHojas, Critico, DeCuadro, u"El libro no tiene ninguna hoja."},
    {HojaNoExiste, Critico, DeCuadro, u"El libro no tiene la hoja «%1». Sus hojas son: %2."},
    {HojaVacia, Critico, DeCuadro, u"La hoja «%1» está vacía."},
    {CeldaCortada, Informacion, DeResumen,
     u"El valor tiene más caracteres de los que caben en %1 y se ha cortado, como en una columna fija."},
    {DuplicadoFila, Informacion, DeResumen, u"Repite el registro de la fila %1."},
    {RcIncluidaFila, Informacion, DeResumen,
     u"Esta referencia y la de la fila %1 se solapan: una empieza por la otra, y la de parcela ya consulta todos sus "
     u"inmuebles."},
    {FilasUna, Informacion, DeMotivo, u" (fila %1)"},
    {FilasVarias, Informacion, DeMotivo, u" (filas %1)"},
};

using enum CodigoAviso;

constexpr DescripcionAviso Descripciones[] = {
    {NifForma, "nif-forma", u"NIF sin la forma de un DNI, un NIE ni un NIF de entidad",
     u"El NIF no tiene la forma de un DNI (8 cifras y una letra), un NIE (X, Y o Z, 7 cifras y una letra), un NIF "
     u"que empieza por K, L o M ni el de una entidad (letra, 7 cifras y una cifra o letra de control)."},
    {NifControl, "nif-control", u"NIF con el carácter de control equivocado",
     u"El carácter de control del NIF no es el que corresponde a sus cifras (sería %1)."},
    {RcForma, "rc-forma", u"Referencias catastrales con caracteres que no son cifras ni letras",
     u"La referencia catastral tiene caracteres que no son cifras ni letras (un espacio, un guion...)."},
    {RcLongitud, "rc-longitud", u"Referencias catastrales de una longitud que no es 14, 18 ni 20",
     u"La referencia catastral tiene %1 caracteres; una de parcela tiene 14, y una de inmueble 18, o 20 con sus "
     u"caracteres de control."},
    {RcControl, "rc-control", u"Referencias catastrales con los caracteres de control equivocados",
     u"Los dos últimos caracteres de la referencia catastral no son los que corresponden al resto (serían %1)."},
    {ProNoNumerico, "pro-no-numerico", u"Códigos de provincia que no tienen dos cifras",
     u"El código de provincia no tiene dos cifras."},
    {ProInexistente, "pro-inexistente", u"Códigos de provincia que no existen",
     u"No hay ninguna provincia con el código %1: van del 01 al 52."},
    {ProSinServicio, "pro-sin-servicio", u"Provincias con catastro propio, que el servicio no cubre",
     u"La provincia %1 tiene un catastro propio, que este servicio no cubre."},
    {MunNoNumerico, "mun-no-numerico", u"Códigos de municipio que no tienen tres cifras",
     u"El código de municipio no tiene tres cifras."},
    {PolNoNumerico, "pol-no-numerico", u"Polígonos que no tienen tres cifras", u"El polígono no tiene tres cifras."},
    {ParNoNumerico, "par-no-numerico", u"Parcelas que no tienen cinco cifras", u"La parcela no tiene cinco cifras."},
    {Invisible, "invisible", u"Campos con un carácter invisible",
     u"El campo tiene un carácter invisible (%1), que se escribe tal cual y hará que el servicio no lo reconozca; "
     u"bórrelo de la lista."},
    {Duplicado, "duplicado", u"Registros repetidos", u"Repite el registro de la línea %1."},
    {RcIncluida, "rc-incluida", u"Referencias incluidas en otra de la lista",
     u"Esta referencia y la de la línea %1 se solapan: una empieza por la otra, y la de parcela ya consulta todos "
     u"sus inmuebles."},
    {Coma, "coma", u"Líneas partidas por una coma",
     u"Una coma fuera de comillas partió la línea en varios registros; si la coma es parte de un dato, quítela, o "
     u"ponga todo el registro entre comillas desde su primer carácter."},
    {Tabulador, "tabulador", u"Registros con un tabulador que desplazó las columnas",
     u"Al quitar un tabulador de dentro del registro, las columnas que lo seguían se han desplazado."},
    {TextoSobrante, "texto-sobrante", u"Registros con texto después de la última columna",
     u"Hay texto después de la última columna del formato; quizá la lista es de otro tipo de consulta."},
    {Codificacion, "codificacion", u"Líneas leídas como Windows-1252 en una lista UTF-8",
     u"La línea no es UTF-8 válido y se ha leído como Windows-1252; compruebe sus letras acentuadas."},
    // A table's cells.
    {CeldaError, "celda-error", u"Celdas con un error de la hoja de cálculo",
     u"La celda tiene un error de la hoja de cálculo en lugar de un valor; el campo queda vacío."},
    {CeldaSinResultado, "celda-sin-resultado", u"Fórmulas sin resultado guardado",
     u"La celda tiene una fórmula sin resultado guardado; el campo queda vacío. Abra la hoja con su programa y "
     u"guárdela de nuevo para que guarde los resultados."},
    {CeldaFecha, "celda-fecha", u"Códigos escritos como fecha",
     u"La celda de un código tiene una fecha; la hoja de cálculo ha tomado el código por una fecha."},
    {CeldaDecimal, "celda-decimal", u"Códigos con decimales",
     u"La celda de un código tiene un número con decimales."},
    {NombrePrimero, "nombre-primero", u"Nombres delante de los apellidos",
     u"La columna pone el nombre delante de los apellidos, y el servicio los espera primero: apellidos y nombre."},
};
static_assert(std::size(Descripciones) == NumeroDeCodigos);

// Spanish for the failures a list or its document meets in an office; the C library
// would answer in the process's language, and the tests run in the C locale.
struct RazonConocida {
    int error;
    const char16_t *texto;
};

constexpr RazonConocida Razones[] = {
    {ENOENT, u"No existe el fichero o el directorio"},
    {EACCES, u"Permiso denegado"},
    {EPERM, u"Operación no permitida"},
    {EROFS, u"Sistema de ficheros de solo lectura"},
    {ENOSPC, u"No queda espacio en el dispositivo"},
#ifdef EDQUOT // not on Windows, which has its own code for it
    {EDQUOT, u"Cuota de disco superada"},
#endif
    {ENAMETOOLONG, u"Nombre de fichero demasiado largo"},
    {ELOOP, u"Demasiados niveles de enlaces simbólicos"},
    {ENOTDIR, u"No es un directorio"},
    {EISDIR, u"Es un directorio"},
    {EIO, u"Error de entrada/salida"},
    {EMFILE, u"Demasiados ficheros abiertos"},
    {ENFILE, u"Demasiados ficheros abiertos en el sistema"},
    {EBUSY, u"Dispositivo o recurso ocupado"},
    {ETXTBSY, u"Fichero de texto ocupado"},
    {EEXIST, u"El fichero ya existe"},
    {EFBIG, u"Fichero demasiado grande"},
    {EXDEV, u"Enlace entre dispositivos no válido"},
    {EINVAL, u"Argumento no válido"},
#ifdef ESTALE
    {ESTALE, u"Manejador de fichero NFS obsoleto"},
#endif
    // Standard output closed, or its reader gone.
    {EBADF, u"Descriptor de fichero erróneo"},
    {EPIPE, u"Tubería rota"},
};

// Windows' own codes (GetLastError) that errno has no twin for, carried negated; the
// common ones (a missing file, a denied access, a full disk) arrive as errno values.
constexpr RazonConocida RazonesWindows[] = {
    {32, u"El fichero está abierto en otro programa"},          // ERROR_SHARING_VIOLATION
    {33, u"Otro programa tiene bloqueada una parte del fichero"}, // ERROR_LOCK_VIOLATION
    {1224, u"El fichero está abierto en otro programa"},        // ERROR_USER_MAPPED_FILE
    {19, u"El medio está protegido contra escritura"},          // ERROR_WRITE_PROTECT
    {21, u"El dispositivo no está preparado"},                  // ERROR_NOT_READY
    {53, u"No se encuentra la ruta de red"},                     // ERROR_BAD_NETPATH
    {59, u"Error inesperado de la red"},                         // ERROR_UNEXP_NET_ERR
    {64, u"El nombre de red ya no está disponible"},             // ERROR_NETNAME_DELETED
    {67, u"No se encuentra el nombre de red"},                   // ERROR_BAD_NET_NAME
    {123, u"El nombre del fichero, del directorio o del volumen no es válido"}, // ERROR_INVALID_NAME
    {225, u"El antivirus ha bloqueado el fichero"},              // ERROR_VIRUS_INFECTED
    {226, u"El antivirus ha borrado el fichero"},                // ERROR_VIRUS_DELETED
    {1295, u"Cuota de disco superada"},                          // ERROR_DISK_QUOTA_EXCEEDED
    {1392, u"El fichero o el directorio está dañado"},           // ERROR_FILE_CORRUPT
    {1920, u"No se puede acceder al fichero"},                   // ERROR_CANT_ACCESS_FILE
    {1921, u"No se puede resolver el nombre del fichero"},       // ERROR_CANT_RESOLVE_FILENAME
    {1175, u"No se puede quitar el fichero que se sustituye"},   // ERROR_UNABLE_TO_REMOVE_REPLACED
    {1176, u"No se puede poner el fichero nuevo en su sitio"},   // ERROR_UNABLE_TO_MOVE_REPLACEMENT
};

// "í" goes as its two bytes of UTF-8, which the document is.
constexpr const char *Palabras[] = {
    "<FIN>Consulta por NIF</FIN>\r\n",
    "<FIN>Consulta por Referencia Catastral</FIN>\r\n",
    "<FIN>Consulta por Pol\xC3\xADgono y Parcela</FIN>\r\n",
    "linea;codigo;campo;valor;aviso\r\n",
    "fila;codigo;campo;valor;aviso\r\n",
    "documento",
    "bloqueado",
    "espacio-de-nombres",
    "formato-fecha",
    "tamano-maximo-kb",
    "tamano-aviso-kb",
};

// Written as a clerk would; they are compared without case, accents, spaces or punctuation.
constexpr NombreConocido NombresConocidos[] = {
    {u"NIF", RolColumna::NIF}, {u"DNI", RolColumna::NIF}, {u"NIE", RolColumna::NIF}, {u"CIF", RolColumna::NIF},
    {u"NIF/CIF", RolColumna::NIF}, {u"DNI/NIF", RolColumna::NIF}, {u"NIF/NIE", RolColumna::NIF},
    {u"DNI/NIE", RolColumna::NIF}, {u"NIF TITULAR", RolColumna::NIF}, {u"DOCUMENTO", RolColumna::NIF},
    {u"APELLIDOS Y NOMBRE", RolColumna::ApeCompleto}, {u"APELLIDOS NOMBRE", RolColumna::ApeCompleto},
    {u"NOMBRE COMPLETO", RolColumna::ApeCompleto}, {u"RAZÓN SOCIAL", RolColumna::ApeCompleto},
    {u"APELLIDOS Y NOMBRE O RAZÓN SOCIAL", RolColumna::ApeCompleto}, {u"TITULAR", RolColumna::ApeCompleto},
    {u"NOMBRE Y APELLIDOS", RolColumna::ApeNombrePrimero}, {u"NOMBRE APELLIDOS", RolColumna::ApeNombrePrimero},
    {u"APELLIDOS", RolColumna::Apellidos},
    {u"PRIMER APELLIDO", RolColumna::Apellido1}, {u"APELLIDO 1", RolColumna::Apellido1},
    {u"SEGUNDO APELLIDO", RolColumna::Apellido2}, {u"APELLIDO 2", RolColumna::Apellido2},
    {u"NOMBRE", RolColumna::Nombre},
    {u"PROVINCIA", RolColumna::PRO}, {u"CÓDIGO PROVINCIA", RolColumna::PRO},
    {u"CÓDIGO DE PROVINCIA", RolColumna::PRO}, {u"COD PROVINCIA", RolColumna::PRO}, {u"COD PROV", RolColumna::PRO},
    {u"CPRO", RolColumna::PRO}, {u"PRO", RolColumna::PRO},
    {u"MUNICIPIO", RolColumna::MUN}, {u"CÓDIGO MUNICIPIO", RolColumna::MUN},
    {u"CÓDIGO DE MUNICIPIO", RolColumna::MUN}, {u"COD MUNICIPIO", RolColumna::MUN}, {u"COD MUN", RolColumna::MUN},
    {u"CMUN", RolColumna::MUN}, {u"MUN", RolColumna::MUN},
    {u"INE", RolColumna::INE}, {u"CÓDIGO INE", RolColumna::INE}, {u"COD INE", RolColumna::INE},
    {u"REFERENCIA CATASTRAL", RolColumna::RC}, {u"REF CATASTRAL", RolColumna::RC}, {u"REFCAT", RolColumna::RC},
    {u"RC", RolColumna::RC},
    {u"POLÍGONO", RolColumna::POL}, {u"POL", RolColumna::POL},
    {u"PARCELA", RolColumna::PAR}, {u"PAR", RolColumna::PAR},
};

} // namespace

const QString TituloMensajes = QStringLiteral("Crear fichero proceso por lotes");

const char *palabra(Palabra cual) { return Palabras[int(cual)]; }

std::span<const NombreConocido> nombresConocidos() { return NombresConocidos; }

std::span<const Plantilla> plantillas() { return Tabla; }

const Plantilla &plantillaDe(Texto id)
{
    for (const Plantilla &plantilla : Tabla)
        if (plantilla.id == id)
            return plantilla;
    Q_UNREACHABLE();
}

std::span<const DescripcionAviso> descripcionesAvisos() { return Descripciones; }

const DescripcionAviso &describir(CodigoAviso codigo) { return Descripciones[int(codigo)]; }

QString razonDelSistema(int error)
{
    for (const RazonConocida &razon : Razones)
        if (razon.error == error)
            return QString::fromUtf16(razon.texto);
    for (const RazonConocida &razon : RazonesWindows)
        if (-razon.error == error)
            return QString::fromUtf16(razon.texto);
    return razonPropiaDelSistema(error);
}

} // namespace torxal

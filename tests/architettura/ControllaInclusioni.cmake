# Fails when a file under src/ includes a project header from a folder its own folder may not
# reach (docs/architettura.md), or when a floor without widgets includes a Qt GUI header.
# Run by CTest: cmake -DSORGENTI=<src folder> -P ControllaInclusioni.cmake

cmake_minimum_required(VERSION 3.25)

set(permessi_core core)
set(permessi_settings core settings)
set(permessi_mqtt core mqtt)
set(permessi_link core settings mqtt link)
set(permessi_protocol core settings mqtt link protocol)
set(permessi_config core settings pages/widgets config)
set(permessi_pages/widgets core settings pages/widgets)
set(permessi_pages/andamento core settings config storico pages/widgets pages/andamento)
set(permessi_pages/comune core settings link protocol pages/widgets pages/comune)
set(permessi_pages/scheda core settings link protocol storico pages/widgets pages/comune
    pages/scheda)
set(permessi_pages/periferiche core settings link protocol pages/widgets pages/comune
    pages/periferiche)
set(permessi_storico core settings link protocol storico)
set(permessi_ponte core settings mqtt link protocol storico ponte)
set(permessi_app core settings link protocol storico config pages/widgets pages/andamento pages/comune
    pages/scheda pages/periferiche app)
set(senza_widget core settings mqtt link protocol storico ponte)

file(GLOB_RECURSE file_sorgenti RELATIVE ${SORGENTI} ${SORGENTI}/*.h ${SORGENTI}/*.cpp)
set(violazioni "")
foreach(relativo ${file_sorgenti})
  get_filename_component(cartella ${relativo} DIRECTORY)
  if(NOT DEFINED permessi_${cartella})
    string(APPEND violazioni "\n  ${relativo}: folder '${cartella}' has no place in the layers")
    continue()
  endif()
  file(STRINGS ${SORGENTI}/${relativo} righe REGEX "^[ \t]*#[ \t]*include")
  foreach(riga ${righe})
    if(riga MATCHES "#[ \t]*include[ \t]*\"(.+)/[^/]+\"")
      set(incluso ${CMAKE_MATCH_1})
      if(NOT incluso IN_LIST permessi_${cartella})
        string(APPEND violazioni "\n  ${relativo}: ${riga}")
      endif()
    elseif(cartella IN_LIST senza_widget AND riga MATCHES "<Qt(Widgets|Gui|Charts)/")
      string(APPEND violazioni "\n  ${relativo}: ${riga} (a floor without widgets)")
    endif()
  endforeach()
endforeach()

if(violazioni)
  message(FATAL_ERROR "Includes that break the layers:${violazioni}")
endif()
list(LENGTH file_sorgenti numero)
message(STATUS "${numero} files, every include within its layers")

cmake_minimum_required(VERSION 3.25)
# Refuses the build when a file includes what lies above it.
#
#   cmake -DSOURCE_DIR=<src> -DWIDGET_HEADER_DIRS=<dir;dir> -P CheckLayers.cmake
#
# The core (every folder under src except app/, cli/ and the ui/ folders)
# draws nothing on the screen: it includes no widget or printer header,
# nothing of a ui/ folder and nothing of app/. Its subsystems stand in layers,
# each including only itself and the ones below. The command line (cli/) is
# held to the same rule, standing on every subsystem of the core: it runs
# without a display. The ui/ folders may include the core and other windows,
# never app/, which wires everything together and is the only one to call the
# command line; their folders stand in layers too (ui_layers).

set(core_layers
    "common:"
    "settings:common"
    "device:common"
    "measurement:common settings device"
    "evaluation:common settings measurement"
    "service:common device"
    "analysis:common settings measurement evaluation"
    "archive:common settings measurement evaluation analysis"
    "scores:common settings measurement evaluation analysis archive"
    "drills:common settings measurement evaluation analysis archive"
    "cli:common settings device measurement evaluation service analysis archive scores drills"
)

# The windows stand in layers of their own: a window includes the windows of
# its own folder and of the folders listed, so that two windows never include
# each other across folders (a cycle fails the build).
set(ui_layers
    "common:"
    "device:common"
    "settings:common device"
    "measurement:common"
    "evaluation:common measurement"
    "service:common device"
    "analysis:common measurement evaluation settings"
    "archive:common measurement evaluation settings analysis"
    "scores:common measurement evaluation settings analysis archive"
    "drills:common measurement evaluation settings analysis archive"
)

# The folder itself and the folders a layers' list puts below it.
function(layers_below layers subsystem out)
    set(allowed "${subsystem}")
    foreach(layer IN LISTS ${layers})
        string(REPLACE ":" ";" pair "${layer}")
        list(GET pair 0 name)
        list(LENGTH pair count)
        if(name STREQUAL subsystem AND count GREATER 1)
            list(GET pair 1 below)
            string(REPLACE " " ";" below "${below}")
            list(APPEND allowed ${below})
        endif()
    endforeach()
    set(${out} "${allowed}" PARENT_SCOPE)
endfunction()

# Widget and printer class headers (<QWidget>, <QPrinter>, <QtWidgets/...>).
set(widget_headers "")
foreach(dir IN LISTS WIDGET_HEADER_DIRS)
    file(GLOB names RELATIVE "${dir}" "${dir}/Q*")
    list(APPEND widget_headers ${names})
endforeach()
list(REMOVE_DUPLICATES widget_headers)

set(failures "")
file(GLOB_RECURSE files RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
foreach(file IN LISTS files)
    string(REPLACE "/" ";" parts "${file}")
    list(GET parts 0 subsystem)
    if(subsystem STREQUAL "app" OR NOT file MATCHES "/")
        continue()
    endif()
    # A file of the command line is checked as the core is, wherever it lies.
    set(is_cli FALSE)
    set(who "the core")
    if(subsystem STREQUAL "cli")
        set(is_cli TRUE)
        set(who "the command line")
    endif()
    set(is_ui FALSE)
    if(file MATCHES "(^|/)ui/" AND NOT is_cli)
        set(is_ui TRUE)
    endif()
    file(STRINGS "${SOURCE_DIR}/${file}" includes REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS includes)
        if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
            set(target "${CMAKE_MATCH_1}")
            if(target MATCHES "^app/")
                list(APPEND failures "${file}: ${target} (app/ wires the program, nothing includes it)")
                continue()
            endif()
            if(target MATCHES "^cli/" AND NOT is_cli)
                list(APPEND failures "${file}: ${target} (only app/ calls the command line)")
                continue()
            endif()
            if(is_ui AND target MATCHES "^([a-z]+)/ui/")
                string(REGEX REPLACE "/.*" "" target_ui "${target}")
                layers_below(ui_layers "${subsystem}" allowed)
                if(NOT target_ui IN_LIST allowed)
                    list(APPEND failures
                         "${file}: ${target} (the windows of ${subsystem} stand below those of ${target_ui})")
                endif()
                continue()
            endif()
            if(NOT target MATCHES "/")
                continue()
            endif()
            if(NOT is_ui AND target MATCHES "(^|/)ui/")
                list(APPEND failures "${file}: ${target} (${who} includes no window)")
                continue()
            endif()
            # A window reaches the core of its own folder, the folders below
            # it and those whose windows it uses: never a subsystem above,
            # which would draw a room of the program onto one below it.
            string(REGEX REPLACE "/.*" "" target_subsystem "${target}")
            layers_below(core_layers "${subsystem}" allowed)
            if(is_ui)
                layers_below(ui_layers "${subsystem}" windows)
                list(APPEND allowed ${windows})
            endif()
            if(NOT target_subsystem IN_LIST allowed)
                list(APPEND failures
                     "${file}: ${target} (${subsystem} stands below ${target_subsystem})")
            endif()
        elseif(NOT is_ui AND line MATCHES "#[ \t]*include[ \t]*<([^>]+)>")
            set(target "${CMAKE_MATCH_1}")
            string(REGEX REPLACE "^.*/" "" name "${target}")
            if(target MATCHES "^Qt(Widgets|PrintSupport)/" OR name IN_LIST widget_headers)
                list(APPEND failures "${file}: <${target}> (${who} draws no widgets)")
            endif()
        endif()
    endforeach()
endforeach()

if(failures)
    list(JOIN failures "\n  " text)
    message(FATAL_ERROR "Includes that run against the layers:\n  ${text}")
endif()

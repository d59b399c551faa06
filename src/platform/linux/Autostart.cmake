target_sources(ostrel_platform_linux PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/XdgAutostartEntry.cpp
)

target_sources(ostrel_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/AppVersionInfo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OnboardingFlow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OnboardingManager.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OnboardingScreens.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OnboardingView.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OnboardingWindow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OnboardingWindowController.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SettingsView.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SettingsWindow.cpp
)

# The wizard's automation class: names and activation entry, the bus server
# against a private session bus, the proxy in the ProgID registry.
add_executable(tarnwel_automation_bus_stub ${CMAKE_CURRENT_LIST_DIR}/AutomationBusStub.cpp)
target_link_libraries(tarnwel_automation_bus_stub PRIVATE tarnwel_automation_dbus)

tarnwel_add_test(AutomationBusTests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/AutomationBusTest.cpp
  LIBS tarnwel_automation_dbus)
target_compile_definitions(AutomationBusTests PRIVATE
  TARNWEL_BUS_STUB="$<TARGET_FILE:tarnwel_automation_bus_stub>")
add_dependencies(AutomationBusTests tarnwel_automation_bus_stub)

# The proxy and the wizard's automation hook, with the wizard's own pages.
tarnwel_add_test(AutomationProxyTests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/AutomationProxyTest.cpp
  LIBS tarnwel_wizard_automation)

# The wizard program itself on a private session bus.
tarnwel_add_test(AutomationWizardProcessTests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/AutomationWizardProcessTest.cpp
  LIBS tarnwel_automation_dbus)
target_compile_definitions(AutomationWizardProcessTests PRIVATE TARNWEL_WIZARD_PROGRAM="$<TARGET_FILE:TarnwelWizard>")
add_dependencies(AutomationWizardProcessTests TarnwelWizard)

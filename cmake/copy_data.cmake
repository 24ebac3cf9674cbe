# Copies the application's data folder (lang.ini, DTC table, manual) beside the executables.
if(EXISTS "${SRC}")
  file(COPY "${SRC}/" DESTINATION "${DST}")
endif()

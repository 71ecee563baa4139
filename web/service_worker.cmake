# Writes the site's service worker, SITE/service-worker.js: the TEMPLATE with
# every other file under SITE listed with its SHA-256, and the site's version,
# a hash of that list. Any changed file thus changes the worker, which the
# browser then installs as an update. The web build runs this after each
# change of the site; the page's tests run it on a changed copy.
#   cmake -DSITE=<site dir> -DTEMPLATE=web/service-worker.js -P web/service_worker.cmake
cmake_minimum_required(VERSION 3.20)
foreach(input SITE TEMPLATE)
  if(NOT DEFINED ${input})
    message(FATAL_ERROR "usage: cmake -DSITE=<site dir> -DTEMPLATE=<worker template> -P service_worker.cmake")
  endif()
endforeach()
set(worker service-worker.js)

file(GLOB_RECURSE names LIST_DIRECTORIES false RELATIVE ${SITE} ${SITE}/*)
list(REMOVE_ITEM names ${worker})
list(SORT names)
if(NOT names)
  message(FATAL_ERROR "${SITE} has no files to list")
endif()
set(entries "")
set(listing "")
foreach(name IN LISTS names)
  file(SHA256 ${SITE}/${name} sha)
  list(APPEND entries "    [\"${name}\", \"${sha}\"]")
  string(APPEND listing "${name} ${sha}\n")
endforeach()
list(JOIN entries ",\n" V3_SITE_FILES)
set(V3_SITE_FILES "[\n${V3_SITE_FILES}\n]")
string(SHA256 version "${listing}")
string(SUBSTRING ${version} 0 16 V3_SITE_VERSION)
configure_file(${TEMPLATE} ${SITE}/${worker} @ONLY)

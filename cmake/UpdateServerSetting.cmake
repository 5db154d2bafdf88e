# The update server's base address must be https://host[:port]: the tool fetches firmware it
# writes into a pedal from there. Included by the top level; also run with -P by the tests.
if(NOT TREDORA_UPDATE_SERVER MATCHES "^https://[^/?#@ ]+/?$")
  message(FATAL_ERROR
    "TREDORA_UPDATE_SERVER must be an https:// address (scheme and host): "
    "'${TREDORA_UPDATE_SERVER}'")
endif()

# The IANA enterprise number that the OEM requests carry. A BMC answers them
# for its maker's number only, so a line builds for its boards with
#   -DVELSKU_OEM_ENTERPRISE_NUMBER=<number>   (decimal, or hexadecimal with 0x)
# The default, 32473, is reserved for documentation (RFC 5612): a build left
# at it impersonates no maker.
set(VELSKU_OEM_ENTERPRISE_NUMBER 32473 CACHE STRING
    "IANA enterprise number of the board's BMC, 0..0xFFFFFF (decimal or 0x hexadecimal)")

# `out`: `text` as a decimal number; a configuration error naming `what` when
# `text` is not a number of 0..0xFFFFFF (three bytes in a request).
function(velsku_enterprise_number text what out)
  # Leading zeros aside, more than eight digits is out of range before
  # math() could overflow on it.
  string(REGEX REPLACE "^0[xX]" "" digits "${text}")
  string(REGEX REPLACE "^0+" "" digits "${digits}")
  string(LENGTH "${digits}" length)
  set(value -1)
  if(text MATCHES "^(0[xX][0-9a-fA-F]+|[0-9]+)$" AND length LESS_EQUAL 8)
    math(EXPR value "${text}")
  endif()
  if(value LESS 0 OR value GREATER 16777215)
    message(FATAL_ERROR "${what} must be a number of 0..0xFFFFFF, not \"${text}\"")
  endif()
  set(${out} ${value} PARENT_SCOPE)
endfunction()

# Our code sees it as one compile definition (see velsku_own_code), as a
# decimal number whatever form the cache holds.
velsku_enterprise_number("${VELSKU_OEM_ENTERPRISE_NUMBER}" VELSKU_OEM_ENTERPRISE_NUMBER
                         VELSKU_OEM_ENTERPRISE_VALUE)

# The PCI vendor IDs of the board's BMC display function: where a board has
# more than one display function that could hold the shared-memory window
# (an add-in graphics card beside the BMC's), a line builds with
#   -DVELSKU_BMC_PCI_VENDORS=1a03[,15ad...]   (hexadecimal, comma-separated)
# Empty, any vendor's display function is a candidate.
set(VELSKU_BMC_PCI_VENDORS "" CACHE STRING
    "Comma-separated hexadecimal PCI vendor IDs of the BMC's display function; empty: any")

# `out`: `text` as C initialisers each followed by a comma ("0x1a03,0x15ad,"),
# empty for an empty list; a configuration error for anything but 1 to 4
# hexadecimal digits per entry.
function(velsku_pci_vendors text out)
  set(initialisers "")
  if(NOT text STREQUAL "")
    string(REPLACE "," ";" entries "${text}")
    foreach(entry IN LISTS entries)
      string(STRIP "${entry}" entry)
      string(REGEX REPLACE "^0[xX]" "" digits "${entry}")
      if(NOT digits MATCHES "^[0-9a-fA-F]([0-9a-fA-F]?[0-9a-fA-F]?[0-9a-fA-F]?)$")
        message(FATAL_ERROR "VELSKU_BMC_PCI_VENDORS must list hexadecimal vendor IDs of "
                            "1 to 4 digits, not \"${entry}\" in \"${text}\"")
      endif()
      string(APPEND initialisers "0x${digits},")
    endforeach()
  endif()
  set(${out} "${initialisers}" PARENT_SCOPE)
endfunction()

velsku_pci_vendors("${VELSKU_BMC_PCI_VENDORS}" VELSKU_BMC_PCI_VENDORS_VALUE)

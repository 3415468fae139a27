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

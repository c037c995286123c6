# mivo_idl(<target> <file.idl> [HEADER_ONLY])
# Compiles an interface definition with widl into <name>.h, <name>_i.c (the
# GUID definitions) and <name>.tlb in the current binary folder, and makes
# <target>: a static library of the GUIDs whose users see the header. The
# type library's path is the target's MIVO_TLB property; resource scripts
# find it (and the .rgs scripts beside the .idl) through mivo_idl_resources.
# HEADER_ONLY: a file of interfaces without a library block (no .tlb).
function(mivo_idl target idl)
  cmake_parse_arguments(I "HEADER_ONLY" "" "" ${ARGN})
  get_filename_component(name ${idl} NAME_WE)
  get_filename_component(src ${idl} ABSOLUTE)
  get_filename_component(src_dir ${src} DIRECTORY)
  set(out ${CMAKE_CURRENT_BINARY_DIR})
  set(wine_idl /usr/include/wine/wine/windows)
  set(wine_lib /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
  set(outputs ${out}/${name}.h ${out}/${name}_i.c)
  set(tlb_args -t -T ${out}/${name}.tlb)
  if(I_HEADER_ONLY)
    set(tlb_args)
  else()
    list(APPEND outputs ${out}/${name}.tlb)
  endif()
  add_custom_command(
    OUTPUT ${outputs}
    COMMAND ${MIVO_WIDL} -I${wine_idl} -I${src_dir} -L${wine_lib}
            -h -H ${out}/${name}.h -u -U ${out}/${name}_i.c ${tlb_args} ${src}
    DEPENDS ${src}
    COMMENT "widl ${name}.idl"
    VERBATIM)
  add_library(${target} STATIC ${out}/${name}_i.c ${out}/${name}.h)
  target_include_directories(${target} PUBLIC ${out})
  if(I_HEADER_ONLY)
    set_target_properties(${target} PROPERTIES LINKER_LANGUAGE C)
    return()
  endif()
  set_target_properties(${target} PROPERTIES
    MIVO_TLB ${out}/${name}.tlb
    MIVO_IDL_SOURCE_DIR ${src_dir}
    LINKER_LANGUAGE C)
  add_custom_target(${target}_tlb DEPENDS ${out}/${name}.tlb)
  add_dependencies(${target} ${target}_tlb)
endfunction()

# mivo_idl_resources(<target> <idl target>)
# Lets the .rc files of <target> name the type library and the registration
# scripts of <idl target> by file name, and rebuilds them when those change.
function(mivo_idl_resources target idl_target)
  get_target_property(tlb ${idl_target} MIVO_TLB)
  get_target_property(src_dir ${idl_target} MIVO_IDL_SOURCE_DIR)
  get_filename_component(tlb_dir ${tlb} DIRECTORY)
  target_link_libraries(${target} PRIVATE ${idl_target})
  set_property(TARGET ${target} APPEND PROPERTY COMPILE_OPTIONS
    $<$<COMPILE_LANGUAGE:RC>:-I${tlb_dir}> $<$<COMPILE_LANGUAGE:RC>:-I${src_dir}>)
  get_target_property(sources ${target} SOURCES)
  file(GLOB scripts ${src_dir}/*.rgs)
  foreach(source ${sources})
    if(source MATCHES "\\.rc$")
      set_property(SOURCE ${source} APPEND PROPERTY OBJECT_DEPENDS ${tlb} ${scripts})
    endif()
  endforeach()
endfunction()

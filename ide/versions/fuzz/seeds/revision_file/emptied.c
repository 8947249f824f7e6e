This is a CMS file. Do NOT edit!
Head     ;
Branch   ;
Access   ;
RevNames  ;
Locks    ;
CmsVersion 2;
Binary 0;



Description
@
@


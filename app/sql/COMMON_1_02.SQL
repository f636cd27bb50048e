/* COMMON.SQL 1.02: CLIENTE restructured */
set TERM ^ ;

declare external function SUBSTR
  cstring(80), smallint, smallint
  returns cstring(80) free_it
  entry_point 'IB_UDF_substr' module_name 'ib_udf'^
declare external function STRLEN
  cstring(32767)
  returns integer by value
  entry_point 'IB_UDF_strlen' module_name 'ib_udf'^
declare external function LTRIM
  cstring(80)
  returns cstring(80) free_it
  entry_point 'IB_UDF_ltrim' module_name 'ib_udf'^

alter table CLIENTE add CODIGO varchar(8)^
alter table CLIENTE add CNPJ_CPF varchar(15)^
alter table CLIENTE add RESP varchar(35)^
alter table CLIENTE add RG_RESP varchar(10)^
alter table CLIENTE add TEL_DDD varchar(3)^
alter table CLIENTE add FAX_DDD varchar(3)^
alter table CLIENTE add CEL_DDD varchar(3)^
alter table CLIENTE add OBSERVACOES blob sub_type 1^

/* Built-in functions only: servers may refuse external ones. */
update CLIENTE set
  CODIGO = lpad(cast(ID as varchar(11)), 8, '0'),
  CNPJ_CPF = substring(DOCUMENTO from 1 for 15),
  RESP = substring(RESPONSAVEL from 1 for 35),
  RG_RESP = substring(RG from 1 for 10),
  TEL_DDD = substring(cast(TELEFONEDDD as varchar(6)) from 1 for 3),
  FAX_DDD = substring(cast(FAXDDD as varchar(6)) from 1 for 3),
  CEL_DDD = substring(cast(CELULARDDD as varchar(6)) from 1 for 3)^
commit work^

alter table CLIENTE alter column INSCRICAO_ESTADUAL to IE_RG^
alter table CLIENTE alter column IMPRIMIR_NOTA_FISCAL to IMP_NF^
alter table CLIENTE alter column TELEFONE to TEL^
alter table CLIENTE alter column CELULAR to CEL^
alter table CLIENTE alter column TEL type varchar(12)^
alter table CLIENTE alter column FAX type varchar(12)^
alter table CLIENTE alter column CEL type varchar(12)^
alter table CLIENTE drop DOCUMENTO^
alter table CLIENTE drop RESPONSAVEL^
alter table CLIENTE drop RG^
alter table CLIENTE drop TELEFONEDDD^
alter table CLIENTE drop FAXDDD^
alter table CLIENTE drop CELULARDDD^
alter table CLIENTE alter CODIGO position 2^
alter table CLIENTE alter CNPJ_CPF position 5^
alter table CLIENTE alter RESP position 8^
alter table CLIENTE alter RG_RESP position 9^
alter table CLIENTE alter TEL_DDD position 17^
alter table CLIENTE alter FAX_DDD position 19^
alter table CLIENTE alter CEL_DDD position 21^
commit work^

create unique index CLIENTE_01 on CLIENTE (CODIGO)^

update VERSAO set NUMERO = '1.02' where ID = 1^

set TERM ; ^
commit work;
